#pragma once
// The product's users prove who they are with their product password. It is
// stored in CADUSUA.Senha as decimal codes: three digits per character, the
// groups in reverse order (the last group holds the first character).
#include <QString>

#include <stdexcept>

namespace orvalto {

class FbConnection;
class Interaction;

inline constexpr const char* kUsuarioAdministrador = "ADMIN";
// Characters of a product password that are compared.
inline constexpr int kCaracteresSenha = 8;

// A stored password that is not made of enough 3-digit groups.
class ErroConversao : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The first `quantidade` characters of a stored password. Throws
// ErroConversao when a group is missing or is not a number.
QString FDecodificaSenha(const QString& armazenada, int quantidade);

// Blanks and control characters removed from both ends.
QString aparaSenha(const QString& texto);

enum class RecusaSenha { Nenhuma, UsuarioNaoCadastrado, SenhaInvalida, NaoAdministrador };

// The check of a user and password against CADUSUA, in this order: the user
// exists, the password matches (both trimmed), the user is the
// administrator. A person must know a user's password before being told
// that only the administrator may go on. Database errors and ErroConversao
// reach the caller.
RecusaSenha verificaAdministrador(FbConnection& conexao, const QString& usuario, const QString& senha);

// The information a refusal shows.
QString textoRecusa(RecusaSenha recusa);

// Opens ParaCad as the password dialog does when it is created; a database
// too old for it gets a warning, and the check goes on without it.
void abreParaCad(FbConnection& conexao, Interaction& ui);

}  // namespace orvalto
