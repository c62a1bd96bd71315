// The update scheduler: which minute of which day starts the run and which
// ticks give the version report its chance, on a real product database with
// the clock set by the test.
#include "app/configura_locais.h"
#include "support/engine_fixture.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/relogio_fixo.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"
#include "terminal/agendador_atualizacao.h"

#include <gtest/gtest.h>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

const QDate kDia(2030, 5, 14);

QDateTime as(const QString& hhmm, int dias = 0) {
  return QDateTime(kDia.addDays(dias), QTime::fromString(hhmm, "HH:mm"));
}

TEST(DecisaoDoAgendamento, TheWindowRunsFiveMinutesFromTheScheduledMinuteOnThatDayOnly) {
  const AgendaGravada agenda{QDateTime(kDia, QTime(0, 0)), "14:00"};
  EXPECT_EQ(decideAgendamento(as("13:30"), agenda), DecisaoAgendamento::Nada);  // another hour: not even the report
  EXPECT_EQ(decideAgendamento(as("13:59"), agenda), DecisaoAgendamento::Nada);
  EXPECT_EQ(decideAgendamento(as("14:00"), agenda), DecisaoAgendamento::Atualizacao);
  EXPECT_EQ(decideAgendamento(as("14:05"), agenda), DecisaoAgendamento::Atualizacao);
  EXPECT_EQ(decideAgendamento(as("14:06"), agenda), DecisaoAgendamento::Relatorio);  // missed: report only
  EXPECT_EQ(decideAgendamento(as("14:59"), agenda), DecisaoAgendamento::Relatorio);
  EXPECT_EQ(decideAgendamento(as("15:00"), agenda), DecisaoAgendamento::Nada);
  EXPECT_EQ(decideAgendamento(as("09:00", -1), agenda), DecisaoAgendamento::Nada);  // not the day yet
  EXPECT_EQ(decideAgendamento(as("14:00", 1), agenda), DecisaoAgendamento::Relatorio);

  // Counted in minutes since midnight: the window goes on into the next hour.
  const AgendaGravada tarde{QDateTime(kDia, QTime(0, 0)), "10:58"};
  EXPECT_EQ(decideAgendamento(as("10:57"), tarde), DecisaoAgendamento::Relatorio);
  EXPECT_EQ(decideAgendamento(as("11:03"), tarde), DecisaoAgendamento::Atualizacao);
  EXPECT_EQ(decideAgendamento(as("11:04"), tarde), DecisaoAgendamento::Nada);
  // ... but not into the next day.
  const AgendaGravada meiaNoite{QDateTime(kDia, QTime(0, 0)), "23:58"};
  EXPECT_EQ(decideAgendamento(as("23:59"), meiaNoite), DecisaoAgendamento::Atualizacao);
  EXPECT_EQ(decideAgendamento(as("00:01", 1), meiaNoite), DecisaoAgendamento::Relatorio);

  // The day without an hour, and an empty day (read as the zero date).
  EXPECT_EQ(decideAgendamento(as("14:00"), {QDateTime(kDia, QTime(0, 0)), ""}), DecisaoAgendamento::Nada);
  EXPECT_EQ(decideAgendamento(as("14:00"), {QDateTime(), ""}), DecisaoAgendamento::Relatorio);
  EXPECT_THROW(decideAgendamento(as("09:30"), {QDateTime(kDia, QTime(0, 0)), "9:30"}), std::runtime_error);
}

class Agendador : public ::testing::Test, public EngineFixture {
 protected:
  Agendador() {
    agendador = std::make_unique<AgendadorAtualizacao>(
        ctx, [this]() -> TfrmAtualizador& { return *engine; }, [this] { relatorio(); });
    agendador->agora = relogio.relogio();
    QObject::connect(agendador.get(), &AgendadorAtualizacao::atualizacaoDevida, [this] {
      // The schedule is already consumed, for every connection, when the run starts.
      eventos << "atualiza:" + hora();
    });
  }
  // Read and written on a connection of the test's own: the tick closes
  // the engine's.
  QString hora() { return db->query("SELECT HR_AGENDAMENTO FROM VERSOESCAB").value(0, "HR_AGENDAMENTO").toString(); }
  void agenda(const QDate& dia, const QString& hora) {
    db->execute("UPDATE VERSOESCAB SET DT_AGENDAMENTO = ?, HR_AGENDAMENTO = ?", {QDateTime(dia, QTime(0, 0)), hora});
  }
  // One tick at `hhmm` of the test's day; what it did.
  QStringList tick(const QString& hhmm, int dias = 0) {
    eventos.clear();
    relogio.define(as(hhmm, dias));
    agendador->TmAgendamentoTimer();
    EXPECT_FALSE(CnOrvalto().connected()) << "the tick leaves the connection closed";
    return eventos;
  }

  std::unique_ptr<FbConnection> db = connectTo(location);
  RelogioFixo relogio;
  QStringList eventos;
  std::function<void()> relatorio = [this] { eventos << "relatorio"; };
  std::unique_ptr<AgendadorAtualizacao> agendador;
};

TEST_F(Agendador, AScheduleIsConsumedByTheRunItStartsAndLaterTicksOnlyReport) {
  agenda(kDia, "14:00");
  EXPECT_EQ(tick("13:59"), QStringList{});
  EXPECT_EQ(tick("14:02"), (QStringList{"atualiza:", "relatorio"}));
  EXPECT_EQ(tick("14:03"), QStringList{});  // the hour is empty for the rest of the day
  EXPECT_EQ(tick("14:30"), QStringList{});
  EXPECT_EQ(tick("09:00", 1), QStringList{"relatorio"});
  EXPECT_EQ(db->query("SELECT DT_AGENDAMENTO FROM VERSOESCAB").value(0, "DT_AGENDAMENTO").toDate(), kDia);
}

TEST_F(Agendador, ErrorsAreLoggedWithoutABoxAndTheNextTickTriesAgain) {
  agenda(kDia, "9:30");
  EXPECT_EQ(tick("09:31"), QStringList{});
  EXPECT_TRUE(logLines().contains("TmAgendamentoTimer: '9:' is not a valid integer value"));
  agenda(kDia, "09:30");
  EXPECT_EQ(tick("09:31"), (QStringList{"atualiza:", "relatorio"}));

  // A report that fails reaches the tick like the report's own database errors.
  relatorio = [] { throw std::runtime_error("PARADIV indisponível"); };
  tick("10:00", 1);
  EXPECT_TRUE(logLines().contains(QString::fromUtf8("TmAgendamentoTimer: PARADIV indisponível")));
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Agendador, WithoutARunConnectedADueScheduleWaits) {
  QObject::disconnect(agendador.get(), &AgendadorAtualizacao::atualizacaoDevida, nullptr, nullptr);
  agenda(kDia, "14:00");
  EXPECT_EQ(tick("14:00"), QStringList{"relatorio"});
  EXPECT_EQ(hora(), "14:00");
}

TEST(AgendadorDaBandeja, TheWindowsTimerStartsAScheduleForTheCurrentMinute) {
  ensureQtApp();
  TrayFolder folder(sharedTrayDatabase("terminal_tests"));
  TfrmConfiguraLocais form(folder.ctx, 0);
  RelogioFixo relogio(QDateTime(kDia, QTime(8, 15, 30)));
  form.Agendador().agora = relogio.relogio();
  auto db = connectTo(sharedTrayDatabase("terminal_tests"));
  db->execute("UPDATE VERSOESCAB SET DT_AGENDAMENTO = ?, HR_AGENDAMENTO = ?", {QDateTime(kDia, QTime(0, 0)), "08:15"});
  int execucoes = 0;
  // The run the window connected gives way to the test's.
  QObject::disconnect(&form.Agendador(), &AgendadorAtualizacao::atualizacaoDevida, &form, nullptr);
  QObject::connect(&form.Agendador(), &AgendadorAtualizacao::atualizacaoDevida, [&] {
    ++execucoes;
    form.TmAgendamento().stop();  // as the run does
  });
  form.TmAgendamento().setInterval(1);
  ASSERT_TRUE(waitUntil([&] { return execucoes > 0; }, 10s));
  EXPECT_EQ(execucoes, 1);
  EXPECT_EQ(db->query("SELECT HR_AGENDAMENTO FROM VERSOESCAB").value(0, "HR_AGENDAMENTO").toString(), "");
  EXPECT_FALSE(form.frmAtualizador()->conexao().connected());
}

}  // namespace
