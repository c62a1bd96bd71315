#include "update/progresso_descompactado.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "platform/files.h"
#include "services/secao_seguranca.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

namespace orvalto {
namespace {

constexpr int kMaiorBarra = 78;

// The library file must be beside the executable before the component
// loads it.
QString preparaBiblioteca(const ContextoEstagio& contexto) {
  ProvisaoUnrar{contexto};
  return contexto.app().exeDir;
}

}  // namespace

ProvisaoUnrar::ProvisaoUnrar(const ContextoEstagio& contexto) {
  try {
    PGravaDllUnrar(contexto.app().exeDir);
  } catch (const std::exception& e) {
    contexto.log("PGravaDllUnrar: " + QString::fromUtf8(e.what()));
  }
}

TfrmProgressoDescompactado::TfrmProgressoDescompactado(const ContextoEstagio& contexto)
    : contexto_(contexto), biblioteca_(preparaBiblioteca(contexto)), DFUnRar1(contexto.app().exeDir) {
  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout,
                   [this] { protegeHandler(contexto_.app(), "Timer1Timer: ", [this] { Timer1Timer(); }); });
}

TfrmProgressoDescompactado::~TfrmProgressoDescompactado() = default;

bool TfrmProgressoDescompactado::FDescompactaArquivo(const QString& arquivo, const QString& pastaDestino,
                                                     const QString& leitura) {
  const QString erro = "FDescompactaArquivo: Erro ao descompactar o arquivo " + arquivo + ": ";
  // Asked again while its own extraction lets events through: the window
  // and its component are busy.
  if (emDescompactacao_) {
    contexto_.log(erro + ResultadoExtracao{kOutraExtracao, {}, {}}.texto());
    return false;
  }
  bool resultado = false;
  Interaction* ui = contexto_.ui();
  progresso_ = 0;
  Timer1.start();
  if (ui) ui->extractionShow(arquivo);
  publica();
  const QString origem = leitura.isEmpty() ? arquivo : leitura;
  if (fileExists(origem) && folderExists(pastaDestino)) {
    emDescompactacao_ = true;
    DFUnRar1.Directory = pastaDestino;
    DFUnRar1.FileName = origem;
    const QString exeDir = contexto_.app().exeDir;
    DFUnRar1.LimiteEntradas = quint64(numeroSeguranca(exeDir, kChaveLimiteEntradas, qint64(kLimiteEntradasPadrao)));
    DFUnRar1.LimiteBytes =
        quint64(numeroSeguranca(exeDir, kChaveLimiteDescompactadoMB, qint64(kLimiteBytesPadrao >> 20))) << 20;
    try {
      const ResultadoExtracao r = extraiEsperando();
      resultado = r.completo();
      if (!resultado) contexto_.log(erro + r.texto());
    } catch (const std::exception& e) {
      contexto_.log(erro + QString::fromUtf8(e.what()));
      if (ui)
        ui->showMessage(
            MessageIcon::Warning, "Alerta",
            "Ocorreu um erro ao tentar descompacta o arquivo " + arquivo + "\r" + QString::fromUtf8(e.what()));
    }
  }
  Timer1.stop();
  emDescompactacao_ = false;
  progresso_ = 0;
  if (ui) ui->extractionHide();
  return resultado;
}

// The component works on a thread of its own while this one waits in an
// event loop: terminals and timers are served all along, also while one
// large entry is being written. Its progress comes back here, in order,
// before the end of the work does.
ResultadoExtracao TfrmProgressoDescompactado::extraiEsperando() {
  if (!QCoreApplication::instance()) {
    DFUnRar1.OnProgress = [this](quint32 feitos, quint32 total) { DFUnRar1Progress(feitos, total); };
    return DFUnRar1.Extract();
  }
  DFUnRar1.OnProgress = [this](quint32 feitos, quint32 total) {
    QMetaObject::invokeMethod(
        &receptor_, [this, feitos, total] { DFUnRar1Progress(feitos, total); }, Qt::QueuedConnection);
  };
  ResultadoExtracao resultado;
  std::exception_ptr erro;
  std::unique_ptr<QThread> trabalho(QThread::create([&] {
    try {
      resultado = DFUnRar1.Extract();
    } catch (...) {
      erro = std::current_exception();
    }
  }));
  QEventLoop espera;
  QObject::connect(trabalho.get(), &QThread::finished, &espera, &QEventLoop::quit);
  trabalho->start();
  espera.exec();
  // The loop also ends when the program is ending: the work stops then.
  if (!trabalho->isFinished()) DFUnRar1.Cancela();
  trabalho->wait();
  QCoreApplication::removePostedEvents(&receptor_);
  DFUnRar1.OnProgress = nullptr;
  if (erro) std::rethrow_exception(erro);
  return resultado;
}

void TfrmProgressoDescompactado::DFUnRar1Progress(quint32 FilesProcessed, quint32 FileCount) {
  // The extraction already waits in an event loop: nothing to pump here.
  if (FileCount == 0 || !emDescompactacao_) return;
  progresso_ = int(qMin<quint64>(100, quint64(FilesProcessed) * 100 / FileCount));
  publica();
}

void TfrmProgressoDescompactado::Timer1Timer() {
  if (lbMensagem_.size() > kMaiorBarra) lbMensagem_.clear();
  lbMensagem_ += '|';
  publica();
}

void TfrmProgressoDescompactado::publica() const {
  if (contexto_.ui()) contexto_.ui()->extractionUpdate(progresso_, lbMensagem_);
}

}  // namespace orvalto
