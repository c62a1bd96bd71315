#pragma once
// The bracketed text protocol the workstations speak: how a request's tag
// is cut out, how the company identification is read and what the status
// reply says. Pure text functions; the socket side is TerminalServer.
#include "base/estado_terminais.h"
#include "base/mensagens_terminal.h"

#include <QByteArray>
#include <QString>

class QHostAddress;

namespace orvalto {

inline constexpr const char* kTagConfigCli = "[CONFIGCLI]";
inline constexpr const char* kTagStatus = "[STATUS]";
inline constexpr const char* kTagBuscar = "[BUSCAR]";
inline constexpr const char* kTagAtualizar = "[ATUALIZAR]";

// Sent to a terminal that connects, or asks for an update, while a run is
// going on.
inline constexpr const char* kMensagemEmAtualizacao = mensagem::kEmAtualizacao;

// One read is one request; a peer that sends more at once gets only the
// first part handled, so that nobody can make the server hold megabytes.
inline constexpr qsizetype kLimiteLeitura = 64 * 1024;

// The tag of a request, cut the way the terminals have always been served:
// from the first "[" (the start when there is none), as many characters as
// the 1-based position of the first "]" (none: empty). Only a request that
// begins with its tag, or has at most one character before it and nothing
// after it, yields a known tag.
QString extraiTag(const QString& requisicao);

// The four fields of a "[CONFIGCLI]" request, read by fixed offsets from
// the labels; fields in another order or form give whatever text those
// offsets select (the terminals send them in the one documented form).
DadosEmpresa leConfigCli(const QString& requisicao);

// "[STATUS]:1|" during a run, "[STATUS]:2|" during a download outside a
// run, "[STATUS]:0|" otherwise.
QString respostaStatus(bool emAtualizacao, bool emDownload);

// The bytes of one read as they are handled: at most kLimiteLeitura.
QByteArray limitaLeitura(QByteArray lido);

// A peer's address as the terminals are told apart: dotted IPv4, with an
// IPv6-mapped IPv4 address given in its plain form.
QString enderecoTerminal(const QHostAddress& endereco);

}  // namespace orvalto
