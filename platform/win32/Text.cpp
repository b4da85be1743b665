// Text conversion through the system ANSI code page (only Win32-specific code here).
#include "Text.h"

#include <climits>

#include "WindowsApi.h"

namespace platform {

ProfileText ToProfileText(std::u16string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, "?", nullptr);
    if (needed <= 0) return {};
    ProfileText out(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), needed, "?", nullptr);
    // Both calls measure the same text: a different length means the conversion failed.
    if (written != needed) out.clear();
    return out;
}

Text FromProfileText(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    Text out(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length,
                                            reinterpret_cast<wchar_t*>(out.data()), needed);
    if (written != needed) out.clear();
    return out;
}

}  // namespace platform
