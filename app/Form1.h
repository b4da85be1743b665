// Form1: the program's only window class. Its load handler is the whole of a run.
#pragma once

#include <cstdint>
#include <string_view>

#include "ListBox.h"
#include "Program.h"
#include "Text.h"

namespace pressavo {

class Form1 {
public:
    // Creates the window hidden; it is never shown.
    Form1();

    // Makes the queue "Pressavo" the user's default printer, tells every top-level window,
    // and ends the program from here: status 0 when the profile took the entry, 1 when not (the
    // profile refused it, or its texts could not be made and nothing was written).
    [[noreturn]] void Form_Load();

    // Appends the key names of profile section `lpSectionName` to `lst`, in the store's order,
    // and returns the list's item count afterwards. The list is not cleared first. One read of
    // at most 8102 bytes; names beyond that are not listed, and a name the read cut short is
    // dropped. `lpSectionName` comes back as it went to the profile (converted and back).
    // Throws platform::ListControlError when the list fails; items added before stay. Throws
    // platform::TextConversionError when the name or the names read cannot be converted, with
    // the list and `lpSectionName` untouched.
    std::int32_t ProfileLoadWinIniList(platform::ListBox& lst, platform::Text& lpSectionName);

    const platform::HiddenWindow& Window() const { return window_; }

private:
    friend class Form1TestPeer;

    // Takes the name before the first NUL off the front of `buffer`, and that NUL with it.
    // With no NUL in `buffer`, returns the empty text and consumes nothing.
    platform::Text ProfileNextListItem(std::u16string_view& buffer);

    // Sets `field1` and `field2` to the text before the first comma of `entry` and between
    // its first and second commas; a field with no comma to end it stays empty.
    void ProfileSplitEntry(platform::Text entry, platform::Text& field1, platform::Text& field2);

    platform::HiddenWindow window_;
};

}  // namespace pressavo
