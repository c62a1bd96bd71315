#pragma once
// The process's decimal separator, the one regional setting that number
// conversions of the whole program share. It starts as the system's; code
// that may change it on the way (the web-service calls) notes it first and
// puts it back.
#include <QChar>

namespace orvalto {

QChar decimalSeparator();
void setDecimalSeparator(QChar separator);

// Notes the separator when built and sets it back, when it changed, when
// destroyed.
class DecimalSeparatorGuard {
 public:
  DecimalSeparatorGuard() : noted_(decimalSeparator()) {}
  ~DecimalSeparatorGuard() {
    if (decimalSeparator() != noted_) setDecimalSeparator(noted_);
  }
  DecimalSeparatorGuard(const DecimalSeparatorGuard&) = delete;
  DecimalSeparatorGuard& operator=(const DecimalSeparatorGuard&) = delete;

 private:
  QChar noted_;
};

}  // namespace orvalto
