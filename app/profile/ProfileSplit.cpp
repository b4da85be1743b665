// Form1's splitting of a comma-separated profile entry into its first two fields.
#include "Form1.h"

namespace pressavo {

// NOLINTNEXTLINE(performance-unnecessary-value-param): the entry is the operation's own copy.
void Form1::ProfileSplitEntry(platform::Text entry, platform::Text& field1,
                              platform::Text& field2) {
    field1.clear();
    field2.clear();
    const std::size_t first = entry.find(u',');
    if (first == platform::Text::npos) return;
    field1 = entry.substr(0, first);
    const std::size_t second = entry.find(u',', first + 1);
    if (second == platform::Text::npos) return;
    field2 = entry.substr(first + 1, second - first - 1);
}

}  // namespace pressavo
