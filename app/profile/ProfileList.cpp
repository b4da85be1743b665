// Form1's listing of a profile section's key names into a list control.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "Form1.h"
#include "Profile.h"

namespace pressavo {

namespace {
constexpr std::uint32_t kReadBufferSize = 8102;
}  // namespace

std::int32_t Form1::ProfileLoadWinIniList(platform::ListBox& lst, platform::Text& lpSectionName) {
    using Conversion = platform::TextConversionError::Conversion;
    // A name that cannot be converted must not read another section (an empty name reads ""):
    // raise before the read, with the list and the caller's name untouched.
    const auto section = platform::ToProfileText(lpSectionName);
    if (!section) throw platform::TextConversionError(Conversion::ToProfileText);
    std::optional<platform::Text> names;
    {
        std::string buffer(kReadBufferSize, ' ');
        const std::int32_t n = platform::GetProfileStringA(section->c_str(), nullptr, "",
                                                           buffer.data(), kReadBufferSize);
        // The count is in bytes of the 8-bit buffer: cut there, then convert, so that a
        // double-byte code page cannot pull in terminators or padding.
        const auto delivered = static_cast<std::size_t>(
            std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(kReadBufferSize)));
        names = platform::FromProfileText(std::string_view(buffer).substr(0, delivered));
    }
    auto sectionBack = platform::FromProfileText(*section);
    if (!names || !sectionBack) throw platform::TextConversionError(Conversion::FromProfileText);
    lpSectionName = std::move(*sectionBack);

    // A name counts only when its NUL lies within the count: what follows the last NUL is a
    // name the read cut short, so the names end there. The view is consumed from the front
    // without copying what is left, and each name is scanned once.
    std::u16string_view rest = *names;
    const std::size_t lastNul = rest.rfind(u'\0');
    rest =
        lastNul == std::u16string_view::npos ? std::u16string_view() : rest.substr(0, lastNul + 1);
    while (!rest.empty()) lst.AddItem(ProfileNextListItem(rest));
    return lst.ListCount();
}

platform::Text Form1::ProfileNextListItem(std::u16string_view& buffer) {
    const std::size_t nul = buffer.find(u'\0');
    if (nul == std::u16string_view::npos) return {};
    platform::Text name(buffer.substr(0, nul));
    buffer.remove_prefix(nul + 1);
    return name;
}

}  // namespace pressavo
