// Form1's load handler: write the default-printer entry, broadcast the change, end.
#include "Form1.h"

#include "Broadcast.h"
#include "Entry.h"
#include "Profile.h"
#include "Text.h"

namespace pressavo {

namespace {
constexpr char16_t kDeviceEntry[] = u"Pressavo,winspool,Ne01:";
constexpr char16_t kSection[] = u"windows";
constexpr char16_t kKey[] = u"Device";
}  // namespace

Form1::Form1() : window_("Form1") {}

void Form1::Form_Load() {
    bool written = false;
    {
        const platform::Text entry = kDeviceEntry;
        const auto section = platform::ToProfileText(kSection);
        const auto key = platform::ToProfileText(kKey);
        const auto value = platform::ToProfileText(entry);
        // A text that could not be made is not written as an empty one: "" for the section would
        // go to another store, "" for the value would clear the user's default printer.
        if (section && key && value) {
            written = platform::WriteProfileStringA(section->c_str(), key->c_str(), value->c_str());
        }
    }

    // Sent whatever the write did: listeners then re-read the profile's own value.
    {
        const auto section = platform::ToProfileText(kSection);
        if (section) platform::BroadcastWinIniChange(section->c_str());
    }

    platform::EndProgram(written ? 0 : 1);
}

// Creates Form1 and runs its load handler, which ends the program.
void Start() {
    Form1 form;
    form.Form_Load();
}

}  // namespace pressavo
