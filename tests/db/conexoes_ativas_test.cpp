#include "db/conexoes_ativas.h"
#include "db/firebird_connection.h"
#include "support/product_db.h"
#include "support/relay_origem.h"

#include <gtest/gtest.h>

using namespace orvalto;
using namespace orvalto::test;

// The updater on localhost, then a workstation at 127.0.0.2 with two
// attachments and a program on the server itself: attachments count each,
// addresses once, and the server's own system attachments never.
TEST(ConexoesAtivas, AttachmentsCountEachAndAddressesOnce) {
  const QString location = freshDatabase();
  const std::unique_ptr<FbConnection> updater = connectTo(location);
  EXPECT_EQ(FContaConexoes(*updater), 1);
  EXPECT_EQ(FContaEnderecosConectados(*updater), 1);
  QString lista;
  FListaEnderecosConectados(*updater, lista);
  EXPECT_EQ(lista, "127.0.0.1\r");

  RelayOrigem workstation("127.0.0.2", 3050);
  const QString path = location.section(':', 1);
  const std::unique_ptr<FbConnection> first = connectTo(workstation.localizacao(path));
  const std::unique_ptr<FbConnection> second = connectTo(workstation.localizacao(path));
  const std::unique_ptr<FbConnection> sameMachine = connectTo(location);
  EXPECT_EQ(FContaConexoes(*updater), 4);
  EXPECT_EQ(FContaEnderecosConectados(*updater), 2);
  FListaEnderecosConectados(*updater, lista);
  EXPECT_EQ(lista, "127.0.0.1\r127.0.0.2\r");

  second->close();
  first->close();
  // A closed connection is opened by the count and left open.
  updater->close();
  EXPECT_EQ(FContaConexoes(*updater), 2);
  EXPECT_TRUE(updater->connected());
  EXPECT_EQ(FContaEnderecosConectados(*updater), 1);
}
