// A DLL that only records that it was loaded: planted beside a program under the name of a DLL
// the system loads for it, it shows whether the program's own folder was searched.
#include "WindowsApi.h"

// NOLINTNEXTLINE(readability-identifier-naming): the loader's own entry point name.
extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID /*reserved*/) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    // The record: an empty file "<this DLL's path>.loaded".
    char path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcpyA(path + length, ".loaded");
        const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    // Never stand in for the real DLL: the load fails and the program goes on without it.
    return FALSE;
}
