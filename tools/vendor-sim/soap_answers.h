#pragma once
// The answers of the SOAP endpoints, written in one of two styles:
// multi-reference (the maker's: records as Body children with an id, the
// return and array items pointing at them) or inline.
#include "record_types.h"
#include "services.h"

#include <QJsonValue>
#include <QString>
#include <string>

namespace vendorsim {

struct AnswerStyle {
  bool multiref = true;
  QString base;  // replaces "${BASE}" in texts: "http://127.0.0.1:port"
};

std::string booleanResponse(const ServiceDef& service, const std::string& operation, bool value,
                            const AnswerStyle& style);

// `record`: a JSON object with the record's properties, or null for "no record".
std::string recordResponse(const ServiceDef& service, const std::string& operation, const RecordType& type,
                           const QJsonValue& record, const AnswerStyle& style);

// `code` is the local part ("Server", "Client"); the envelope prefix is added.
std::string faultResponse(const ServiceDef& service, const std::string& code, const std::string& text);

}  // namespace vendorsim
