// Text conversion through the system ANSI code page (only Win32-specific code here).
#include "Text.h"

#include <climits>

#include "WindowsApi.h"

namespace platform {

namespace {
// The flags WideCharToMultiByte is given for `codePage`. WC_NO_BEST_FIT_CHARS keeps a character
// the code page cannot hold from becoming a look-alike ("A" for "Ā"), which would make a name
// another name. The code pages that take no such flag refuse the call with it: UTF-8 and GB18030
// (0 or WC_ERR_INVALID_CHARS only), UTF-7, the ISO-2022 and ISCII families, Symbol.
DWORD ConversionFlags(UINT codePage) {
    const bool takesNoFlags = codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 ||
                              (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
                              codePage == 54936 || (codePage >= 57002 && codePage <= 57011);
    return takesNoFlags ? 0 : WC_NO_BEST_FIT_CHARS;
}
}  // namespace

std::optional<ProfileText> ToProfileText(std::u16string_view text) {
    if (text.empty()) return ProfileText();
    if (text.size() > INT_MAX) return std::nullopt;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const UINT codePage = GetACP();
    const DWORD flags = ConversionFlags(codePage);
    // No default character and no used-default flag: the code page's own default ('?') where it
    // has one. Windows refuses either with UTF-8 (ERROR_INVALID_PARAMETER), the system code page
    // where "Use Unicode UTF-8 for worldwide language support" is on; Wine 8 accepts both, so a
    // test under Wine can only read what is passed (WINEDEBUG=+relay), never see it fail.
    const int needed =
        WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::nullopt;
    ProfileText out(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(codePage, flags, wide, length, out.data(), needed, nullptr, nullptr);
    // Both calls measure the same text: a different length means the conversion failed.
    if (written != needed) return std::nullopt;
    return out;
}

std::optional<Text> FromProfileText(std::string_view bytes) {
    if (bytes.empty()) return Text();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const UINT codePage = GetACP();
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    Text out(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes.data(), length,
                                            reinterpret_cast<wchar_t*>(out.data()), needed);
    if (written != needed) return std::nullopt;
    return out;
}

}  // namespace platform
