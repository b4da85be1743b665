// Telling every running program that a profile section changed.
#pragma once

namespace platform {

// Sends WM_WININICHANGE (wParam 0, lParam `section`) to every top-level window and returns once
// each responsive window has handled it. A window whose thread is hung is skipped rather than
// waited for, so the call always returns.
void BroadcastWinIniChange(const char* section);

}  // namespace platform
