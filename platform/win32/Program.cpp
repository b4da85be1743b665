// Window start-up, hidden, and the immediate end (only Win32-specific code here).
#include "Program.h"

#include "WindowsApi.h"

namespace platform {

namespace {
HINSTANCE ThisModule() {
    return GetModuleHandleA(nullptr);
}
}  // namespace

HiddenWindow::HiddenWindow(const char* className) {
    // No class icon: the window is never shown, so loading one would only slow every start.
    // Explorer shows the executable's own icon resource.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = ThisModule();
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    // Message-only (parent HWND_MESSAGE): never visible, no place on the desktop, and making it
    // skips the top-level window's set-up, which cost a third of every run. Child controls can
    // still live in it. Never ShowWindow: the window exists only to own the run.
    handle_ = CreateWindowExA(0, className, "Pressavo", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
}

HiddenWindow::~HiddenWindow() {
    if (handle_ != nullptr) DestroyWindow(static_cast<HWND>(handle_));
}

void EndProgram(std::uint32_t status) {
    // ExitProcess sends no further window messages: no close or destroy handler runs.
    ExitProcess(status);
}

}  // namespace platform
