#pragma once
#include <QString>
#include <QStringList>

namespace orvalto {

// The HTML page of a failure mail, line by line: the maker's logo, the
// heading "Backup Banco de Dados", the message in bold and the "do not
// answer" footer. The message is escaped: it carries company names that
// the terminals send, and a mail reader must show them as text.
QStringList montaPaginaEmail(const QString& mensagem, const QString& enderecoLogo);

}  // namespace orvalto
