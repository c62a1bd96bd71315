#pragma once
// What a search for new versions keeps between its steps: the schedule the
// installation reports back to the registration service.
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

// The service's hour that means "no update scheduled".
inline constexpr const char* kHoraSemAgendamento = "00:15";

}  // namespace orvalto
