#pragma once
// Who may talk to the terminal port: the addresses of TerminaisPermitidos=
// (CIDR list in Atualizador.ini's "Seguranca"; by default loopback and the
// private and link-local ranges), at most ConexoesPorEndereco= connections
// from one address (loopback is exempt: every local client shares it) and
// ConexoesTotal= in all, on the address of EnderecoEscuta= (every interface
// by default). A refused connection is closed without a word; the log hears
// of refusals once a minute at most, so a flood cannot fill the disk.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

namespace orvalto {

inline constexpr const char* kChaveTerminaisPermitidos = "TerminaisPermitidos";
inline constexpr const char* kChaveConexoesPorEndereco = "ConexoesPorEndereco";
inline constexpr const char* kChaveConexoesTotal = "ConexoesTotal";
inline constexpr const char* kChaveEnderecoEscuta = "EnderecoEscuta";

inline constexpr int kConexoesPorEnderecoPadrao = 64;
inline constexpr int kConexoesTotalPadrao = 2000;

class PoliticaTerminais {
 public:
  // The built-in rule.
  PoliticaTerminais();
  // The rule of `exeDir`/Atualizador.ini; the built-in one for what it
  // does not say. Entries of TerminaisPermitidos that are not an address
  // or a network are skipped (a list with none left admits nobody).
  static PoliticaTerminais daInstalacao(const QString& exeDir);

  // IPv4 written as IPv6 ("::ffff:10.0.0.1") becomes the IPv4 address.
  static QHostAddress normaliza(const QHostAddress& endereco);

  // Why a new connection from `endereco` is refused, given how many are
  // open from it and in all; empty when it is accepted.
  QString motivoRecusa(const QHostAddress& endereco, int doEndereco, int total) const;
  QHostAddress enderecoEscuta() const { return escuta_; }

  // True when a refusal may be logged now; `omitidas` then holds how many
  // went unlogged since the last line.
  bool podeRegistrar(int* omitidas);

 private:
  bool permitido(const QHostAddress& endereco) const;

  QList<QPair<QHostAddress, int>> redes_;
  int porEndereco_ = kConexoesPorEnderecoPadrao;
  int total_ = kConexoesTotalPadrao;
  QHostAddress escuta_{QHostAddress::Any};
  QElapsedTimer ultimoRegistro_;
  int omitidas_ = 0;
};

}  // namespace orvalto
