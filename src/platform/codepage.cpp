#include "platform/codepage.h"

#include <array>

namespace orvalto {
namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 marks the five unused codes,
// which map to themselves like Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encodeOne(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    const char16_t mapped = kHighControls[i] ? kHighControls[i] : char16_t(0x80 + i);
    if (mapped == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

QByteArray toCp1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  for (const QChar ch : text) out.append(encodeOne(ch.unicode()));
  return out;
}

QString fromCp1252(const char* data, qsizetype size) {
  QString out;
  out.reserve(size);
  for (qsizetype i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80])
      out.append(QChar(kHighControls[b - 0x80]));
    else
      out.append(QChar(b));
  }
  return out;
}

QString fromCp1252(const QByteArray& bytes) { return fromCp1252(bytes.constData(), bytes.size()); }

QString upperAscii(const QString& text) {
  QString out = text;
  for (QChar& ch : out)
    if (ch >= u'a' && ch <= u'z') ch = QChar(ch.unicode() - 32);
  return out;
}

}  // namespace orvalto
