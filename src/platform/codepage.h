#pragma once
// Text leaves and enters the program in Windows-1252 (log file, terminal
// socket, product database); inside the program it is a QString.
#include <QByteArray>
#include <QString>

namespace orvalto {

QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);
QString fromCp1252(const char* data, qsizetype size);

// Upper case that changes only the letters a to z, as the process-name and
// metadata comparisons expect.
QString upperAscii(const QString& text);

}  // namespace orvalto
