// New-version discovery: asks the registration service about every company
// of the installation, stores its settings, queues the packages and
// downloads them.
#include "update/descoberta_versoes.h"

#include "db/firebird_connection.h"
#include "update/download_pacotes.h"

#include "db/sql_helpers.h"
#include "db/transactions.h"
#include "services/dm_web_service.h"
#include "update/configura_servicos.h"

#include <stdexcept>

namespace orvalto {
namespace {

QDateTime comoData(const QVariant& valor) { return valor.isNull() ? dataZero() : valor.toDateTime(); }

const char* const kUpdateCab =
    "UPDATE  VERSOESCAB SET                                   VERSOESCAB.ATUALIZARBASE  = \"S\",                   "
    "VERSOESCAB.FAZERBACKUP    = :PFAZERBACKUP,         VERSOESCAB.NUMEROBACKUP   = :PNUMEROBACKUP   ";
const char* const kUpdateAgenda =
    "\n,      VERSOESCAB.DT_AGENDAMENTO = :PDTAGENDAMENTO,       VERSOESCAB.HR_AGENDAMENTO = :PHRAGENDAMENTO  ";
const char* const kUpdateItem =
    "Update VersoesItem Set VersaoAAtualizar = :PVersaoAAtualizar                  Where CodSistema       = "
    ":PCodSistema                          And CodCliente       = :PCodCliente       ";
const char* const kInsertItem =
    "Insert into VersoesItem (CodSistema,                                  CodCliente,                                 "
    " "
    "VersaoAAtualizar)                    values (:PCodSistema,                                :PCodCliente,          "
    "                      :PVersaoAAtualizar) ";

}  // namespace

int parteDaHora(const QString& hora, int posicao) {
  bool ok = false;
  const int valor = hora.mid(posicao, 2).toInt(&ok);
  if (!ok)
    throw std::runtime_error(QString("'%1' is not a valid integer value").arg(hora.mid(posicao, 2)).toStdString());
  return valor;
}

DescobertaVersoes::DescobertaVersoes(const ContextoEstagio& contexto, DownloadPacotes& download)
    : contexto_(contexto), download_(download) {}

bool DescobertaVersoes::FAgendamentoPosterior(const QString& hora, const QDateTime& data) {
  const QueryResult atual = contexto_.CnOrvalto().query("SELECT DT_AGENDAMENTO, HR_AGENDAMENTO FROM VERSOESCAB ");
  const QDateTime dataGravada = comoData(atual.value(0, "DT_AGENDAMENTO"));
  const QString horaGravada = atual.value(0, "HR_AGENDAMENTO").toString();
  if (dataGravada > data) return false;
  if (dataGravada < data) return true;
  if (horaGravada.isEmpty()) return true;
  if (hora.isEmpty()) return false;
  const int hGravada = parteDaHora(horaGravada, 0), hNova = parteDaHora(hora, 0);
  if (hGravada != hNova) return hGravada < hNova;
  return parteDaHora(horaGravada, 3) < parteDaHora(hora, 3);
}

bool DescobertaVersoes::FGravaDadosCliente(const TInfoCliente& cliente, AgendaAReportar& agenda) {
  try {
    const bool semAgenda = cliente.Hora_Agendamento == kHoraSemAgendamento;
    const bool adota = semAgenda || FAgendamentoPosterior(cliente.Hora_Agendamento, cliente.Data_Agendamento);
    SqlParams parametros{FIIf<QString>(cliente.BackupAutomatico, "S", "N"), cliente.QuantidadeBackup};
    QString sql = kUpdateCab;
    if (adota) {
      sql += kUpdateAgenda;
      parametros << (semAgenda ? dataSemAgendamento() : QDateTime(cliente.Data_Agendamento.date(), QTime(0, 0)))
                 << (semAgenda ? QString("") : cliente.Hora_Agendamento);
      agenda = {cliente.Data_Agendamento, cliente.Hora_Agendamento};
    }
    contexto_.CnOrvalto().execute(sql, parametros);
  } catch (const std::exception& e) {
    contexto_.log("Erro ao salvar dados do cliente: " + QString::fromUtf8(e.what()));
  }
  return true;
}

bool DescobertaVersoes::FGravaVersoesItem(const TInfoCliente& cliente) {
  try {
    for (const TInfoModulo& modulo : cliente.ListaModulos) {
      if (modulo.LinkDownload.isEmpty()) continue;
      const bool existe =
          FContaRegistros(contexto_.CnOrvalto(), "VersoesItem", "CODSISTEMA", "CODSISTEMA", {}, modulo.CodSistema) > 0;
      if (existe)
        contexto_.CnOrvalto().execute(kUpdateItem, {modulo.LinkDownload, modulo.CodSistema, modulo.CodCliente});
      else
        contexto_.CnOrvalto().execute(kInsertItem, {modulo.CodSistema, modulo.CodCliente, modulo.LinkDownload});
    }
  } catch (const std::exception& e) {
    contexto_.log("Erro ao salvar dados do cliente: " + QString::fromUtf8(e.what()));
  }
  return true;
}

bool DescobertaVersoes::fBuscaNovaVersaoCliente(SharedWebService& servicos) {
  if (EmBusca) return false;
  EmBusca = true;
  bool resultado = false;
  const std::shared_ptr<TDmWebService> servico = servicos.acquire();
  try {
    PConfiguraServicos(*servico, contexto_.CnOrvalto(), contexto_.app().exeDir);
    const QueryResult filiais = contexto_.CnOrvalto().query("SELECT CODEMPRESA, CGC FROM FILIAIS ");
    const QueryResult gravada = contexto_.CnOrvalto().query("SELECT DT_AGENDAMENTO, HR_AGENDAMENTO FROM VERSOESCAB ");
    AgendaAReportar agenda{comoData(gravada.value(0, "DT_AGENDAMENTO")), gravada.value(0, "HR_AGENDAMENTO").toString()};
    std::optional<TInfoCliente> cliente;
    for (int i = 0; i < filiais.rows.size(); ++i) {
      const QString cgc = filiais.value(i, "CGC").toString();
      if (cgc.isEmpty()) continue;
      TransacaoEscopo transacao(contexto_.CnOrvalto());
      servico->FNovasAtualizacoes(cgc);
      cliente = servico->FInfoCliente(cgc);
      if (cliente) {
        FGravaDadosCliente(*cliente, agenda);
        FGravaVersoesItem(*cliente);
      }
      transacao.confirma();
    }
    // The installation's schedule goes back to the service once for every
    // company, on the record of the last company asked.
    if (cliente) {
      for (int i = 0; i < filiais.rows.size(); ++i) {
        cliente->CGCCPF = filiais.value(i, "CGC").toString();
        cliente->Data_Agendamento = agenda.data;
        cliente->Hora_Agendamento = agenda.hora;
        servico->FAtualizaDadosCliente(*cliente);
      }
    }
    download_.FBaixaVersoes(false);
    resultado = true;
  } catch (const std::exception& e) {
    contexto_.log("fBuscaNovaVersaoCliente : " + QString::fromUtf8(e.what()));
  }
  EmBusca = false;
  servicos.release();
  return resultado;
}

}  // namespace orvalto
