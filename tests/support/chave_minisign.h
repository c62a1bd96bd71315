#pragma once
// A minisign key pair made by the minisign tool for one test, with
// signatures made by the same tool: what the maker would publish.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace orvalto::test {

class ChaveMinisign {
 public:
  // Throws std::runtime_error when the tool fails.
  ChaveMinisign();

  QString secreta() const;        // the unencrypted secret key file
  QByteArray publica() const;     // the base64 line of the .pub file
  QByteArray arquivoPub() const;  // the whole .pub file
  // The .minisig text for `arquivo`, prehashed or in the legacy form.
  QByteArray assina(const QString& arquivo, bool legado = false) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace orvalto::test
