#pragma once
// Read-only INI file with Windows semantics: section and key names ignore
// letter case, values are kept raw (backslashes included), text is
// Windows-1252 on disk.
#include <QList>
#include <QPair>
#include <QString>

namespace orvalto {

class IniFile {
 public:
  // Reads the file; throws std::runtime_error when it cannot be read.
  explicit IniFile(const QString& path);

  // The value, or `fallback` when the section or key is missing.
  QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
  bool contains(const QString& section, const QString& key) const;

  // The section's name=value lines, in file order.
  QList<QPair<QString, QString>> sectionLines(const QString& section) const;

 private:
  struct Entry {
    QString section, key, value;
  };
  QList<Entry> entries_;
  friend int iniHandler(void*, const char*, const char*, const char*);
};

}  // namespace orvalto
