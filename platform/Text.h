// Text as the program holds it, and profile text as it crosses to the platform's 8-bit calls.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A counted string of 16-bit characters; it may hold NUL characters.
using Text = std::u16string;

// NUL-terminated 8-bit text in the system ANSI code page (c_str() gives the terminator).
using ProfileText = std::string;

// Converts every character of `text`, embedded NULs included. A character the code page
// cannot represent becomes the code page's default character, '?', never a look-alike; with
// UTF-8 every character converts (an unpaired surrogate becomes U+FFFD). Empty when the platform
// could not convert: never stand an empty text in for a non-empty one.
std::optional<ProfileText> ToProfileText(std::u16string_view text);

// Converts `bytes` (a counted buffer, NULs included) back into text; empty when the platform
// could not convert.
std::optional<Text> FromProfileText(std::string_view bytes);

// Raised by an operation that could not make a text it needs; it stops before using the text.
class TextConversionError : public std::runtime_error {
public:
    enum class Conversion { ToProfileText, FromProfileText };

    explicit TextConversionError(Conversion failed)
        : std::runtime_error(failed == Conversion::ToProfileText
                                 ? "the text could not be converted to profile text"
                                 : "the profile text could not be converted back to text"),
          failed_(failed) {}

    Conversion Failed() const { return failed_; }

private:
    Conversion failed_;
};

}  // namespace platform
