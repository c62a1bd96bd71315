#pragma once
// Who else is attached to the product database, from the server's
// monitoring table. The server's own system attachments are not users, and
// a client's address is counted without its port, so one machine counts
// once. Database errors reach the caller.
#include <QString>

namespace orvalto {

class FbConnection;

// Attachments of users, this program's own included. Reconnects first: the
// monitoring snapshot is fixed for a transaction, and the connection is
// left open.
int FContaConexoes(FbConnection& conexao);

// Distinct client addresses attached (attachments without an address do
// not count). Reconnects first, like FContaConexoes.
int FContaEnderecosConectados(FbConnection& conexao);

// The attached addresses in the server's order, each followed by a
// carriage return; an attachment without an address gives an empty line.
// Does not reconnect.
void FListaEnderecosConectados(FbConnection& conexao, QString& lista);

// The attached clients besides this program's own connection, for the log:
// "address (user, program)" each (the address without its port), joined by
// "; ", in the server's order. Does not reconnect, so right after a count it
// describes what the count saw. A database error is described, not raised:
// the listing only adds to a message that must go out anyway.
QString FDescreveConexoesAtivas(FbConnection& conexao);

}  // namespace orvalto
