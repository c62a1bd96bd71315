#pragma once
// A shared library loaded at run time, released when its owner goes.
#include <QString>

namespace orvalto {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { unload(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads `path` (a bare name goes through the system's library search);
  // false, and nothing held, when it cannot be loaded.
  bool load(const QString& path);
  void unload();
  bool loaded() const { return handle_ != nullptr; }

  // The entry point `name`, or null.
  void* symbol(const char* name) const;
  // The file the library was loaded from, as the system resolved it.
  QString filePath() const;
  // Why the last load failed.
  const QString& errorString() const { return error_; }

 private:
  void* handle_ = nullptr;
  QString error_;
};

}  // namespace orvalto
