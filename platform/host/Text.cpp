// Text conversion of the host stand-in: Windows-1252, '?' for what it cannot represent.
#include "Text.h"

#include <algorithm>
#include <array>

#include "StandIn.h"

namespace platform {

namespace {
// Code points of bytes 0x80..0x9F in Windows-1252; 0 marks the five undefined bytes.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    if (c <= 0x9F && kHigh[c - 0x80] == 0) return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<char>(0x80 + i);
    }
    return '?';
}

char16_t FromByte(unsigned char b) {
    if (b < 0x80 || b >= 0xA0) return b;
    const char16_t c = kHigh[b - 0x80];
    // Windows maps the undefined bytes to the C1 control of the same value.
    return c != 0 ? c : static_cast<char16_t>(b);
}
}  // namespace

std::optional<ProfileText> ToProfileText(std::u16string_view text) {
    // A test can make the platform refuse chosen texts, as Windows refuses a call it cannot take.
    if (host::Platform().unconvertible.contains(text)) return std::nullopt;
    ProfileText out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        out.push_back(ToByte(text[i]));
        if (pair) ++i;  // one character, one '?'
    }
    return out;
}

std::optional<Text> FromProfileText(std::string_view bytes) {
    if (host::Platform().failing.contains("FromProfileText")) return std::nullopt;
    Text out(bytes.size(), u'\0');
    // Profile text is mostly ASCII, which widens as it stands, without a look-up per byte: a
    // listing converts the whole delivered buffer.
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    if (ascii) {
        std::transform(bytes.begin(), bytes.end(), out.begin(),
                       [](char b) { return static_cast<char16_t>(b); });
    } else {
        std::transform(bytes.begin(), bytes.end(), out.begin(),
                       [](char b) { return FromByte(static_cast<unsigned char>(b)); });
    }
    return out;
}

}  // namespace platform
