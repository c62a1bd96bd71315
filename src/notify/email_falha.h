#pragma once
// The mails of a failed automatic update: which stage failed decides the
// subject and the opening text; the client is the one the last
// "[CONFIGCLI]" identified. Always to the maker's support mailbox, and to
// the shop's own addresses when it names them.
#include "base/estado_terminais.h"

#include <QString>

namespace orvalto {

class TFEnviaEmail;

// Named after the terminal message each one follows ("[ERRO]:1|" ...).
enum class FalhaAtualizacao {
  Pastas = 1,       // backup or versions folder not set or missing
  Download = 2,     // the second download pass failed
  Base = 4,         // the structure update failed
  Executaveis = 5,  // the executables could not be replaced (backup restored)
};

QString assuntoEmailFalha(FalhaAtualizacao falha);
// The opening text, then "Razão Filial:Cod-Nome CNPJ: Cnpj".
QString textoEmailFalha(FalhaAtualizacao falha, const DadosEmpresa& empresa);

// Sends the mail of `falha` to EmailSuporte of Atualizador.ini (or the
// built-in mailbox), with a blind copy to each address of its EmailCopia. Returns what TFEnviaEmail::FEnviarMensagem
// returns and throws what it throws (an unreachable server).
bool EnviaEmailFalha(TFEnviaEmail& email, FalhaAtualizacao falha, const DadosEmpresa& empresa);

}  // namespace orvalto
