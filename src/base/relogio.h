#pragma once
// The local date and time as the updater reads them. Whatever depends on
// the day or the hour (the log's file of the day, the schedule, the daily
// version report, the daily self-update) is given a Relogio, so that a test
// can set the time.
#include <QDateTime>

#include <functional>

namespace orvalto {

using Relogio = std::function<QDateTime()>;

}  // namespace orvalto
