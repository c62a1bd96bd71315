#include "base/scramble.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace orvalto;

namespace {
QByteArray bytes(const QString& s) { return toCp1252(s); }
}  // namespace

TEST(Unscrambling, KnownStoredValuesGiveTheirText) {
  EXPECT_EQ(FDecifraSenha("SK3VOVSVW343"), "SYSDBA");
  // Bytes worked out by hand from the pair arithmetic and the running state.
  EXPECT_EQ(bytes(FDecifraSenha("W0K2M9ZQ3E")), QByteArray("\x92\xc9\x8c|\x96"));
  EXPECT_EQ(bytes(FDecifraSenha("3O3O3O")), QByteArray("\x10\xb6["));
}

TEST(Unscrambling, OddLengthEndsAtTheLoneLastCharacter) {
  EXPECT_EQ(FDecifraSenha("SK3VOVSVW3434"), "SYSDBA");
  EXPECT_EQ(FDecifraSenha("S"), "");
  EXPECT_EQ(FDecifraSenha(""), "");
}

TEST(Unscrambling, CodeZeroInTheMiddleEndsTheText) {
  // The third pair of this value yields code 0.
  EXPECT_EQ(bytes(FDecifraSenha("HELLOWORLD12")), QByteArray("\xf9\x9a"));
}

TEST(Unscrambling, CharactersOutsideTheAlphabetCountAsItsFirst) {
  const QString first = QString(QChar(kAlfabetoSenha[0]));
  EXPECT_EQ(FDecifraSenha("ab"), FDecifraSenha(first + first));
  EXPECT_EQ(FDecifraSenha("S-"), FDecifraSenha("S" + first));
  EXPECT_EQ(FDecifraSenha("zz"), FDecifraSenha(first + first));
}

TEST(Unscrambling, TheKeyMatters) {
  const QString stored = cifra("segredo", kChaveConexao);
  EXPECT_EQ(decifra(stored, kChaveConexao), "segredo");
  EXPECT_NE(decifra(stored, "MARTIVOLDENS"), "segredo");
}

TEST(Scrambling, RoundTripsAnyTextWithoutCodeZero) {
  for (const QString& plain : {QString("quillaroz"), QString("Ação çé 123 !@#"), QString(300, 'x'), QString("")}) {
    const QString stored = cifra(plain, kChaveConexao);
    EXPECT_EQ(stored.size(), 2 * toCp1252(plain).size());
    for (const QChar c : stored) EXPECT_NE(std::strchr(kAlfabetoSenha, c.toLatin1()), nullptr);
    EXPECT_EQ(FDecifraSenha(stored), plain);
  }
}

TEST(Alphabet, HoldsTheDigitsAndCapitalsOnce) {
  const QString alphabet = kAlfabetoSenha;
  ASSERT_EQ(alphabet.size(), 36);
  for (const QChar c : QString("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) EXPECT_EQ(alphabet.count(c), 1) << c.toLatin1();
}
