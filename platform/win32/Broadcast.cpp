// The WM_WININICHANGE broadcast (only Win32-specific code here).
#include "Broadcast.h"

#include "WindowsApi.h"

namespace platform {

namespace {
// How long one responsive-but-slow window is given; a hung one is skipped at once.
constexpr UINT kPerWindowTimeoutMs = 5000;
}  // namespace

void BroadcastWinIniChange(const char* section) {
    // A plain SendMessage waits forever on a window whose thread never pumps messages.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(section),
                        SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG, kPerWindowTimeoutMs, &ignored);
}

}  // namespace platform
