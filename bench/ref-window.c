/* Whole-run reference and size floor: the least Win32 program that does Pressavo's job with a
   hidden top-level window, and nothing else. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    (void)show;

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "Form1";
    RegisterClassA(&wc);
    /* Created hidden and never shown, as Pressavo's window is. */
    CreateWindowExA(0, "Form1", "Pressavo", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);

    const BOOL written = WriteProfileStringA("windows", "Device", "Pressavo,winspool,Ne01:");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, (LPARAM) "windows", SMTO_ABORTIFHUNG,
                        5000, &ignored);
    ExitProcess(written ? 0 : 1);
    return 0;
}
