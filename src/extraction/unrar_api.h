#pragma once
// The UnRAR library's published structures and codes, for the sources that
// talk to it. Its header defines Windows type names as macros; they are
// dropped again so that nothing included later sees them.
#define _UNIX
#include <unrar/dll.hpp>
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT
#undef _UNIX
