// The Windows process entry: the DLL search is closed to the program's folder, the command line
// is ignored, and the program's own start takes over.
#include "Entry.h"
#include "WindowsApi.h"

namespace {

// The system loads DLLs on the program's behalf after start-up (the window system's theme and
// driver DLLs among them). By default it looks in the program's own folder first, so anyone who
// can write beside an executable that runs from a share in every logon could run code there.
// SetDefaultDllDirectories is looked up at run time: a Windows 7 without KB2533623 lacks it
// and must still run the program; there at least the current directory leaves the search.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const FARPROC found =
        kernel32 != nullptr ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    // Through void(*)(): the one cast between function types that GCC does not warn about.
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) return;
    SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    // First, before any window exists and so before any DLL is loaded on the window's behalf.
    RestrictDllSearch();
    pressavo::Start();
}
