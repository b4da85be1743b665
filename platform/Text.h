// Text as the program holds it, and profile text as it crosses to the platform's 8-bit calls.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A counted string of 16-bit characters; it may hold NUL characters.
using Text = std::u16string;

// NUL-terminated 8-bit text in the system ANSI code page (c_str() gives the terminator).
using ProfileText = std::string;

// Converts every character of `text`, embedded NULs included. A character the code page
// cannot represent becomes '?'.
ProfileText ToProfileText(std::u16string_view text);

// Converts `bytes` (a counted buffer, NULs included) back into text.
Text FromProfileText(std::string_view bytes);

}  // namespace platform
