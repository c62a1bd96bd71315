#pragma once
// Errors of a web-service call. Every failure on the way (description not
// found, endpoint unreachable, credentials refused, a broken or hostile
// answer) is a SoapError carrying a readable text; a fault that the server
// itself reported is a SoapFault.
#include <QString>

#include <stdexcept>

namespace orvalto {

class SoapError : public std::runtime_error {
 public:
  explicit SoapError(const QString& text) : std::runtime_error(text.toStdString()) {}
  QString text() const { return QString::fromUtf8(what()); }
};

class SoapFault : public SoapError {
 public:
  SoapFault(const QString& faultCode, const QString& faultString) : SoapError(faultString), faultCode_(faultCode) {}
  const QString& faultCode() const { return faultCode_; }

 private:
  QString faultCode_;
};

}  // namespace orvalto
