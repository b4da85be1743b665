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
        const platform::ProfileText section = platform::ToProfileText(kSection);
        const platform::ProfileText key = platform::ToProfileText(kKey);
        const platform::ProfileText value = platform::ToProfileText(entry);
        written = platform::WriteProfileStringA(section.c_str(), key.c_str(), value.c_str());
    }

    // Sent whatever the write did: listeners then re-read the profile's own value.
    {
        const platform::ProfileText section = platform::ToProfileText(kSection);
        platform::BroadcastWinIniChange(section.c_str());
    }

    platform::EndProgram(written ? 0 : 1);
}

// Creates Form1 and runs its load handler, which ends the program.
void Start() {
    Form1 form;
    form.Form_Load();
}

}  // namespace pressavo
