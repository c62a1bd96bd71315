#pragma once
// The records the registration service exchanges, property by property in
// wire order. The WSDL, the answers and the scenario checks all read these
// tables, so a property is named in one place only.
#include <string>
#include <vector>

namespace vendorsim {

enum class FieldType { Text, Boolean, Integer, DateTime, ModuleList };

struct Field {
  std::string name;
  FieldType type;
};

struct RecordType {
  std::string name;       // type name on the wire
  std::string nameSpace;  // "urn:" + declaring module
  std::vector<Field> fields;
};

const RecordType& infoClienteType();
const RecordType& infoModuloType();
const RecordType& paramAtualizadorType();

// The array of TInfoModulo, declared beside TInfoModulo.
inline const std::string kListModulosName = "TListModulos";

// Schema type of a simple field ("string", "boolean", "int", "dateTime").
std::string xsdTypeName(FieldType type);

}  // namespace vendorsim
