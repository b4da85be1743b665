// Fuzzes Form1's entry splitting against a character-by-character reading of the entry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "Form1.h"

namespace pressavo {
class Form1TestPeer {
public:
    static void Split(Form1& form, platform::Text entry, platform::Text& f1, platform::Text& f2) {
        form.ProfileSplitEntry(std::move(entry), f1, f2);
    }
};
}  // namespace pressavo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes make one character, so commas, NULs and any other unit all occur.
    platform::Text entry;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        entry.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    // The fields as a reader would mark them: text ended by the first and second commas.
    platform::Text fields[3];
    int field = 0;
    bool ended[2] = {false, false};
    for (const char16_t c : entry) {
        if (c == u',' && field < 2) {
            ended[field++] = true;
        } else if (field < 2) {
            fields[field].push_back(c);
        }
    }
    const platform::Text want1 = ended[0] ? fields[0] : platform::Text();
    const platform::Text want2 = ended[1] ? fields[1] : platform::Text();

    static pressavo::Form1 form;
    platform::Text f1 = u"stale", f2 = u"stale";  // whatever the caller held must not survive
    pressavo::Form1TestPeer::Split(form, entry, f1, f2);
    if (f1 != want1 || f2 != want2) {
        std::fprintf(stderr, "split: fields differ from the text between the first commas\n");
        std::abort();
    }
    return 0;
}
