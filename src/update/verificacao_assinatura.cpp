#include "update/verificacao_assinatura.h"

#include "base/servindo_eventos.h"
#include "platform/copia_duravel.h"
#include "platform/ini_file.h"
#include "services/fornecedor.h"
#include "services/http_transport.h"
#include "update/nome_pacote.h"

#include <QFileInfo>

#include <optional>
#include <stdexcept>

namespace orvalto {
namespace {

const char* const kSecaoSeguranca = "Seguranca";
constexpr qint64 kMaxAssinatura = 64 * 1024;
constexpr int kParadaAssinaturaMs = 60 * 1000;

// The maker's public keys shipped with the program, as the base64 line of
// a minisign .pub file. Empty until the maker signs its packages.
const char* const kChavesEmbutidas[] = {nullptr};

QString caminhoEstado(const QString& exeDir) { return exeDir + '/' + kArquivoEstadoAssinaturas; }

bool assinaturaJaVista(const QString& exeDir) { return QFileInfo::exists(caminhoEstado(exeDir)); }

// Written once, at the first valid signature; its presence is what counts.
void registraAssinaturaVista(const ContextoEstagio& contexto, const QString& idChave) {
  const QString caminho = caminhoEstado(contexto.app().exeDir);
  if (QFileInfo::exists(caminho)) return;
  try {
    gravaArquivoDuravel(caminho, ("AssinaturaVista=" + idChave + "\n").toUtf8());
    contexto.log("Primeira assinatura válida registrada: pacotes sem assinatura serão recusados daqui em diante.");
  } catch (const std::exception& e) {
    contexto.log("Não foi possível registrar a assinatura vista: " + QString::fromUtf8(e.what()));
  }
}

std::runtime_error recusa(const QString& nome, const QString& motivo) {
  return std::runtime_error(QString("pacote %1 recusado: %2").arg(nome, motivo).toStdString());
}

// The signature text, or nothing with the reason (a 404 says "sem assinatura").
std::optional<QByteArray> buscaAssinatura(const QString& endereco, QString* motivo) {
  HttpTransport transporte;
  HttpOptions opcoes;
  opcoes.timeoutMs = kParadaAssinaturaMs;
  opcoes.maxResponseBytes = kMaxAssinatura;
  transporte.setOptions(opcoes);
  const HttpResult r = transporte.get(QUrl(endereco));
  if (r.ok) return r.body;
  *motivo = r.status == 404 || r.status == 410 ? QString("sem assinatura") : "assinatura não obtida: " + r.errorText;
  return std::nullopt;
}

// Hashing a large package takes a while: the window thread keeps serving
// the terminals meanwhile.
minisign::Verificacao verificaServindoEventos(const minisign::Assinatura& assinatura,
                                              const QList<minisign::ChavePublica>& chaves, const QString& arquivo,
                                              QString* motivo) {
  minisign::Verificacao resultado = minisign::Verificacao::Invalida;
  QString porque;
  executaServindoEventos([assinatura, chaves, arquivo, &resultado, &porque](std::stop_token) {
    resultado = minisign::verificaArquivo(assinatura, chaves, arquivo, &porque);
  });
  *motivo = porque;
  return resultado;
}

}  // namespace

QList<minisign::ChavePublica> chavesEmbutidas() {
  QList<minisign::ChavePublica> chaves;
  for (const char* texto : kChavesEmbutidas)
    if (texto)
      if (const auto chave = minisign::lerChavePublica(texto)) chaves.append(*chave);
  return chaves;
}

ConfiguracaoAssinatura lerConfiguracaoAssinatura(const QString& exeDir) {
  ConfiguracaoAssinatura config;
  config.chaves = chavesEmbutidas();
  const QString caminho = exeDir + '/' + kArquivoAtualizadorIni;
  if (!QFileInfo::exists(caminho)) return config;
  const IniFile ini(caminho);
  for (const QString& entrada : ini.value(kSecaoSeguranca, "ChavesPublicas").split(',', Qt::SkipEmptyParts)) {
    if (entrada.trimmed().isEmpty()) continue;
    if (const auto chave = minisign::lerChavePublica(entrada.trimmed().toLatin1()))
      config.chaves.append(*chave);
    else
      config.recusadas.append(entrada.trimmed());
  }
  // Anything but the default spelled out counts as the strict setting: a
  // mistyped "exigir" must not quietly accept unsigned packages.
  const QString modo = ini.value(kSecaoSeguranca, "Assinatura").trimmed().toLower();
  config.exigir = !modo.isEmpty() && modo != "opcional";
  return config;
}

void exigeAssinatura(const ContextoEstagio& contexto, const QString& endereco, const QString& arquivo) {
  const QString nome = FNomeArquivoUrl(endereco);
  const QString exeDir = contexto.app().exeDir;
  const ConfiguracaoAssinatura config = lerConfiguracaoAssinatura(exeDir);
  for (const QString& r : config.recusadas) contexto.log("ChavesPublicas: ignorado, não é uma chave minisign: " + r);
  const bool estrito = config.exigir || assinaturaJaVista(exeDir);

  QString motivo;
  std::optional<minisign::Assinatura> assinatura;
  if (const std::optional<QByteArray> texto = buscaAssinatura(endereco + ".minisig", &motivo))
    assinatura = minisign::lerAssinatura(*texto, &motivo);
  if (!assinatura) {
    if (estrito) throw recusa(nome, motivo);
    contexto.log(QString("Pacote %1 aceito sem assinatura (%2): nenhuma assinatura válida foi vista até agora.")
                     .arg(nome, motivo));
    return;
  }
  const QString id = minisign::textoId(assinatura->idChave);
  // Without any trusted key no signature can be judged; refusing would also
  // refuse the self-update that brings the maker's key.
  if (config.chaves.isEmpty()) {
    if (estrito) throw recusa(nome, "nenhuma chave pública configurada (ChavesPublicas)");
    contexto.log(QString("Pacote %1 assinado pela chave %2, mas nenhuma chave pública está configurada "
                         "(ChavesPublicas): aceito sem verificação.")
                     .arg(nome, id));
    return;
  }
  if (verificaServindoEventos(*assinatura, config.chaves, arquivo, &motivo) != minisign::Verificacao::Valida)
    throw recusa(nome, motivo);
  contexto.log(QString("Assinatura do pacote %1 confere (chave %2).").arg(nome, id));
  registraAssinaturaVista(contexto, id);
}

}  // namespace orvalto
