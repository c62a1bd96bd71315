#include "platform/ini_file.h"

#include "platform/codepage.h"

#include <ini.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace orvalto {

int iniHandler(void* user, const char* section, const char* name, const char* value) {
  auto* self = static_cast<IniFile*>(user);
  self->entries_.append({fromCp1252(section, qsizetype(std::strlen(section))),
                         fromCp1252(name, qsizetype(std::strlen(name))),
                         fromCp1252(value, qsizetype(std::strlen(value)))});
  return 1;
}

namespace {
// Windows keeps a value whole: no inline comments, no continuation lines,
// and lines far longer than inih's default of 200 bytes.
void configureParser() {
  ini_allow_inline_comments = false;
  ini_allow_multiline = false;
  ini_use_stack = false;
  ini_max_line = 64 * 1024;
}
}  // namespace

IniFile::IniFile(const QString& path) {
  configureParser();
  FILE* file = std::fopen(path.toLocal8Bit().constData(), "rb");
  if (!file) throw std::runtime_error("Cannot open file \"" + path.toStdString() + "\"");
  ini_parse_file(file, &iniHandler, this);  // syntax errors only skip lines
  std::fclose(file);
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
  for (const Entry& e : entries_)
    if (e.section.compare(section, Qt::CaseInsensitive) == 0 && e.key.compare(key, Qt::CaseInsensitive) == 0)
      return e.value;
  return fallback;
}

bool IniFile::contains(const QString& section, const QString& key) const {
  for (const Entry& e : entries_)
    if (e.section.compare(section, Qt::CaseInsensitive) == 0 && e.key.compare(key, Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

QList<QPair<QString, QString>> IniFile::sectionLines(const QString& section) const {
  QList<QPair<QString, QString>> lines;
  for (const Entry& e : entries_)
    if (e.section.compare(section, Qt::CaseInsensitive) == 0) lines.append({e.key, e.value});
  return lines;
}

}  // namespace orvalto
