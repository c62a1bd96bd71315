#pragma once

namespace orvalto {

// The updater's version, shown in the window title and reported to the
// maker's version-history service.
inline constexpr const char* VersaoAtualizador = "v.23.07ad0";

}  // namespace orvalto
