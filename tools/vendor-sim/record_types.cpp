#include "record_types.h"

namespace vendorsim {

const RecordType& infoClienteType() {
  static const RecordType type{"TInfoCliente",
                               "urn:UClassInfoCliente",
                               {{"CodCliente", FieldType::Text},
                                {"CGCCPF", FieldType::Text},
                                {"BackupAutomatico", FieldType::Boolean},
                                {"QuantidadeBackup", FieldType::Integer},
                                {"LimiteVersoesAnteriores", FieldType::Text},
                                {"AtualizaVersao", FieldType::Boolean},
                                {"DataUltimaConsulta", FieldType::DateTime},
                                {"Data_Agendamento", FieldType::DateTime},
                                {"Hora_Agendamento", FieldType::Text},
                                {"ListaModulos", FieldType::ModuleList}}};
  return type;
}

const RecordType& infoModuloType() {
  static const RecordType type{"TInfoModulo",
                               "urn:UClassInfoModulo",
                               {{"CodCliente", FieldType::Text},
                                {"CodSistema", FieldType::Text},
                                {"AtualizaVersao", FieldType::Boolean},
                                {"VersaoAtual", FieldType::Text},
                                {"TipoVersaoAtual", FieldType::Text},
                                {"DataUltimaAtualizacao", FieldType::DateTime},
                                {"VersaoDisponivel", FieldType::Text},
                                {"TipoVersaoDisponivel", FieldType::Text},
                                {"LinkDownload", FieldType::Text}}};
  return type;
}

const RecordType& paramAtualizadorType() {
  static const RecordType type{"TParamAtualizador",
                               "urn:UClassParametrosAtualizador",
                               {{"CaminhoOrvalto", FieldType::Text}, {"CaminhoAtualizadorBD", FieldType::Text}}};
  return type;
}

std::string xsdTypeName(FieldType type) {
  switch (type) {
    case FieldType::Boolean: return "boolean";
    case FieldType::Integer: return "int";
    case FieldType::DateTime: return "dateTime";
    case FieldType::Text:
    case FieldType::ModuleList: break;
  }
  return "string";
}

}  // namespace vendorsim
