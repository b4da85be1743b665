// Telling every running program that a profile section changed.
#pragma once

namespace platform {

// Sends WM_WININICHANGE (wParam 0, lParam `section`) to every top-level window and returns when
// each has handled it or been given up. A window whose thread has not asked for a message for
// 5 s (the platform calls it hung) is skipped at once; any other window that does not answer
// costs at most 5 s, one such window after another, so the whole call can take 5 s times the
// number of such top-level windows.
void BroadcastWinIniChange(const char* section);

}  // namespace platform
