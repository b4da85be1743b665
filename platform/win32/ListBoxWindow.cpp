// The LISTBOX window's messages (only Win32-specific code here).
#include "ListBoxWindow.h"

#include "WindowsApi.h"

namespace platform {

std::int32_t ListBoxWindow::Insert(Text&& item, std::optional<std::int32_t> index) {
    // Wide text keeps every character the name had; the control stores it as it stores any.
    const auto text = reinterpret_cast<LPARAM>(item.c_str());
    const HWND hwnd = static_cast<HWND>(window_);
    const LRESULT result =
        index ? SendMessageW(hwnd, LB_INSERTSTRING, static_cast<WPARAM>(*index), text)
              : SendMessageW(hwnd, LB_ADDSTRING, 0, text);
    return static_cast<std::int32_t>(result);  // LB_ERR and LB_ERRSPACE are negative
}

std::int32_t ListBoxWindow::Count() {
    return static_cast<std::int32_t>(SendMessageW(static_cast<HWND>(window_), LB_GETCOUNT, 0, 0));
}

}  // namespace platform
