// The one gateway to the Windows API: only the win32 back end includes this header.
#pragma once

// Declarations made before the gateway would not see its settings.
#ifdef _WINDOWS_
#error "windows.h was included before WindowsApi.h"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The oldest Windows the program declares support for (its manifest): Vista. The toolchain's own
// headers define _WIN32_WINNT first (mingw-w64's _mingw.h, pulled in by any C++ standard header),
// so it is replaced here rather than defined only when absent.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600

#include <windows.h>
