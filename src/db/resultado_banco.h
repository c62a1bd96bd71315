#pragma once
// What a database operation tells its caller instead of showing a box
// itself: that it worked, or the caption and text of the warning (or error)
// the caller shows to a person.
#include <QString>

#include <optional>

namespace orvalto {

struct AvisoBanco {
  QString titulo;
  QString texto;
  bool erro = false;  // an error box rather than a warning
};

class ResultadoBanco {
 public:
  ResultadoBanco() = default;  // it worked
  ResultadoBanco(AvisoBanco aviso) : aviso_(std::move(aviso)) {}

  explicit operator bool() const { return !aviso_; }
  const std::optional<AvisoBanco>& aviso() const { return aviso_; }

 private:
  std::optional<AvisoBanco> aviso_;
};

}  // namespace orvalto
