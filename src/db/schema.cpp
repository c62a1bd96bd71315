#include "db/schema.h"

#include "db/firebird_connection.h"
#include "db/transactions.h"
#include "platform/codepage.h"

namespace orvalto {
namespace {

struct Coluna {
  const char* nome;
  const char* tipo;
};

const Coluna kColunasCriacao[] = {{"CAMINHOLOCALBACKUP", "VARCHAR(255)"},
                                  {"CAMINHOVERSOES", "VARCHAR(255)"},
                                  {"FAZERBACKUP", "VARCHAR(1)"},
                                  {"NUMEROBACKUP", "INTEGER"},
                                  {"ATUALIZARBASE", "VARCHAR(1)"},
                                  {"CAMINHOBANCOSERVIDORVERSAO", "VARCHAR(255)"},
                                  {"USUARIOBANCOSERVIDORVERSAO", "VARCHAR(255)"},
                                  {"SENHABANCOSERVIDORVERSAO", "VARCHAR(255)"}};

// Columns that came after the first version of VERSOESCAB, in the order
// they were added. DT_ULTIMACONSULTA is added only to a table that already
// existed, so a new database reaches all columns at its second connection.
const Coluna kColunasAdicionadas[] = {{"USUARIOSATUALIZAVERSAO", "VARCHAR(255)"},
                                      {"NOMESERVIDOR", "VARCHAR(255)"},
                                      {"USAPROXY", "VARCHAR(1)"},
                                      {"DT_ULTIMACONSULTA", "DATE"},
                                      {"DT_AGENDAMENTO", "DATE"},
                                      {"HR_AGENDAMENTO", "VARCHAR(5)"},
                                      {"USAATUALIZADORONLINE", "VARCHAR(1)"},
                                      {"DT_ATLZSERVIDOR", "DATE"},
                                      {"DT_ATLZSINCECFJAVA", "DATE"}};

const Coluna kColunasItem[] = {
    {"VERSAOAATUALIZAR", "VARCHAR(255)"}, {"CODSISTEMA", "VARCHAR(4)"}, {"CODCLIENTE", "VARCHAR(8)"}};

// The maker's version database, as every installation has always had it:
// its location, and its password in the product's 3-digit code form.
const char* const kCaminhoBancoVersao = "versoes.orvalto.com.br/3051:versoes";
const char* const kSenhaBancoVersao = "051050115101111115114101086";

QString listaColunas(const Coluna* begin, const Coluna* end) {
  QStringList parts;
  for (const Coluna* c = begin; c != end; ++c) parts.append(QString("%1 %2").arg(c->nome, c->tipo));
  return parts.join(", ");
}

void emTransacao(FbConnection& conexao, const QString& sql) {
  TransacaoEscopo transacao(conexao);
  conexao.execute(sql);
  transacao.confirma();
}

void criaVersoesCab(FbConnection& conexao) {
  emTransacao(conexao,
              "CREATE TABLE VERSOESCAB (" + listaColunas(std::begin(kColunasCriacao), std::end(kColunasCriacao)) + ")");
  for (const Coluna& c : kColunasAdicionadas)
    if (QString(c.nome) != "DT_ULTIMACONSULTA") PAdicionaCampo(conexao, c.nome, "VERSOESCAB", c.tipo);
  emTransacao(conexao, QString("INSERT INTO VERSOESCAB (SENHABANCOSERVIDORVERSAO, USUARIOBANCOSERVIDORVERSAO, "
                               "CAMINHOBANCOSERVIDORVERSAO, USUARIOSATUALIZAVERSAO, USAPROXY) "
                               "VALUES (\"%1\", \"SYSDBA\", \"%2\", \"ADMIN,MESTRE\", \"N\")")
                           .arg(kSenhaBancoVersao, kCaminhoBancoVersao));
}

void atualizaVersoesItem(FbConnection& conexao) {
  if (!FExisteMetadado(conexao, "", "VERSOESITEM", TipoMetadado::Tabela)) {
    emTransacao(conexao,
                "CREATE TABLE VERSOESITEM (" + listaColunas(std::begin(kColunasItem), std::end(kColunasItem)) + ")");
    return;
  }
  for (const Coluna& c : kColunasItem) PAdicionaCampo(conexao, c.nome, "VERSOESITEM", c.tipo);
}

}  // namespace

bool FExisteMetadado(FbConnection& conexao, const QString& primeiro, const QString& segundo, TipoMetadado tipo) {
  QueryResult r;
  if (tipo == TipoMetadado::Tabela) {
    r = conexao.query("SELECT COUNT(*) EXISTE FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = :VERIFICATABELA ",
                      {upperAscii(segundo)});
  } else {
    r = conexao.query(
        "SELECT COUNT(*) EXISTE FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = :VERIFICACAMPO \n"
        "AND RDB$RELATION_NAME = :VERIFICATABELA ",
        {upperAscii(primeiro), upperAscii(segundo)});
  }
  return r.value(0, "EXISTE").toLongLong() > 0;
}

void PAdicionaCampo(FbConnection& conexao, const QString& campo, const QString& tabela, const QString& tipo) {
  if (FExisteMetadado(conexao, campo, tabela, TipoMetadado::Campo)) return;
  emTransacao(conexao, "ALTER TABLE " + tabela + QString(14, ' ') + "ADD " + campo + " " + tipo);
}

ResultadoBanco FAtualizaEstrutura(FbConnection& conexao) {
  try {
    if (!FExisteMetadado(conexao, "", "VERSOESCAB", TipoMetadado::Tabela)) {
      criaVersoesCab(conexao);
    } else {
      for (const Coluna& c : kColunasAdicionadas) PAdicionaCampo(conexao, c.nome, "VERSOESCAB", c.tipo);
    }
    atualizaVersoesItem(conexao);
    return {};
  } catch (const std::exception& e) {
    try {
      PCancelaTransacao(conexao);
    } catch (const std::exception&) {
      // The connection itself may be gone; the warning below says why.
    }
    return AvisoBanco{"Alerta", QString("Ocorreu um erro durante a atualização de estrurura do banco:\r") +
                                    QString::fromUtf8(e.what())};
  }
}

QString FCaminhoVersoes(FbConnection& conexao) {
  const QueryResult r = conexao.query("SELECT CAMINHOVERSOES FROM VERSOESCAB");
  return r.value(0, "CAMINHOVERSOES").toString();
}

}  // namespace orvalto
