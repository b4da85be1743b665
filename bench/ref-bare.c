/* Whole-run reference: the profile write and the broadcast alone, with no window of its own. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;

    const BOOL written = WriteProfileStringA("windows", "Device", "Pressavo,winspool,Ne01:");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, (LPARAM) "windows", SMTO_ABORTIFHUNG,
                        5000, &ignored);
    ExitProcess(written ? 0 : 1);
    return 0;
}
