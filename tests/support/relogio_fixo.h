#pragma once
// A clock the test sets: the Relogio it hands out reads the time set here,
// so the test moves the day or the hour of the code under test.
#include "base/relogio.h"

#include <QDateTime>

namespace orvalto::test {

class RelogioFixo {
 public:
  explicit RelogioFixo(const QDateTime& agora = {}) : agora_(agora) {}
  RelogioFixo(const RelogioFixo&) = delete;
  RelogioFixo& operator=(const RelogioFixo&) = delete;

  // Reads this clock for as long as it lives.
  Relogio relogio() const {
    return [this] { return agora_; };
  }
  void define(const QDateTime& agora) { agora_ = agora; }
  void avancaDias(int dias) { agora_ = agora_.addDays(dias); }
  QDate dia() const { return agora_.date(); }

 private:
  QDateTime agora_;
};

}  // namespace orvalto::test
