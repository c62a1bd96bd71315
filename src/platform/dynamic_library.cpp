#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>

namespace orvalto {

bool DynamicLibrary::load(const QString& path) {
  unload();
  handle_ = ::dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = ::dlerror();
    error_ = why ? QString::fromLocal8Bit(why) : QStringLiteral("cannot load ") + path;
  }
  return handle_ != nullptr;
}

void DynamicLibrary::unload() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

QString DynamicLibrary::filePath() const {
  link_map* map = nullptr;
  if (!handle_ || ::dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map) return {};
  return QString::fromLocal8Bit(map->l_name);
}

}  // namespace orvalto
