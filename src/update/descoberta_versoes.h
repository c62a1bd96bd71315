#pragma once
// New-version discovery, and what a search keeps between its steps: the
// schedule the installation reports back to the registration service.
#include "update/contexto_estagio.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace orvalto {

struct AgendaAReportar {
  QDateTime data;
  QString hora;  // "hh:mm"
};

// The date and time the product stores for "nothing scheduled" and for an
// empty date: 31 December 1889, and the zero date 30 December 1899.
inline QDateTime dataSemAgendamento() { return QDateTime(QDate(1889, 12, 31), QTime(0, 0)); }
inline QDateTime dataZero() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

// Characters 1-2 (posicao 0) or 4-5 (posicao 3) of an "HH:MM" text as a
// number; anything else throws std::runtime_error with the product's text.
int parteDaHora(const QString& hora, int posicao);

// The service's hour that means "no update scheduled".
inline constexpr const char* kHoraSemAgendamento = "00:15";

class DownloadPacotes;
class SharedWebService;
class TInfoCliente;

// The discovery stage: asks the registration service about every company,
// stores its settings, queues the packages and downloads them.
class DescobertaVersoes {
 public:
  DescobertaVersoes(const ContextoEstagio& contexto, DownloadPacotes& download);

  // False when refused (a search is running) or stopped by an error.
  bool fBuscaNovaVersaoCliente(SharedWebService& servicos);
  // True when the service's schedule is later than the stored one.
  bool FAgendamentoPosterior(const QString& hora, const QDateTime& data);
  // Stores the customer's backup settings and, when adopted, its schedule.
  bool FGravaDadosCliente(const TInfoCliente& cliente, AgendaAReportar& agenda);
  // Queues the customer's modules that come with a download address.
  bool FGravaVersoesItem(const TInfoCliente& cliente);

  bool EmBusca = false;

 private:
  ContextoEstagio contexto_;
  DownloadPacotes& download_;
};

}  // namespace orvalto
