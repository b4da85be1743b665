// The WM_WININICHANGE broadcast (only Win32-specific code here).
#include "Broadcast.h"

#include "WindowsApi.h"

namespace platform {

namespace {
// The most one window that does not answer may cost. It is given once per such window, one
// after another, so a desktop with several of them can cost this many times over.
constexpr UINT kPerWindowTimeoutMs = 5000;
}  // namespace

void BroadcastWinIniChange(const char* section) {
    // A plain SendMessage waits forever on a window whose thread never pumps messages.
    // SMTO_ABORTIFHUNG skips at once a window whose thread has not asked for a message for 5 s
    // (the platform calls it hung). SMTO_NOTIMEOUTIFNOTHUNG is left out on purpose: with it the
    // time-out is not enforced while the receiving thread processes messages, so a handler that
    // opens a message box would keep the run, and the logon script that started it, waiting
    // until someone closed the box.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(section),
                        SMTO_ABORTIFHUNG, kPerWindowTimeoutMs, &ignored);
}

}  // namespace platform
