// Fuzzes Form1's section listing over arbitrary delivered bytes and counts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Form1.h"
#include "ListBoxStandIn.h"
#include "StandIn.h"

namespace {

constexpr std::size_t kBuffer = 8102;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "listing: %s\n", what);
    std::abort();
}

}  // namespace

// Input: four bytes of count (any int32), then the bytes the read delivers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t count = 0;
    std::memcpy(&count, data, 4);
    const std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

    auto& platform = platform::host::Platform();
    platform.Reset();
    int reads = 0;
    platform.reader = [&](const char*, const char*, const char*, char* out, std::uint32_t n) {
        ++reads;
        // Past what is delivered lies a marker the listing must never pick up.
        std::fill_n(out, n, '\x7f');
        std::copy_n(bytes.data(), std::min<std::size_t>(bytes.size(), n), out);
        return count;
    };

    // What may be listed: the names whose NUL lies within the count and the delivered bytes
    // (the marker beyond holds no NUL, so nothing there may end a name).
    const std::size_t within = std::min<std::size_t>(
        bytes.size(), static_cast<std::size_t>(std::clamp<std::int32_t>(count, 0, kBuffer)));
    std::vector<platform::Text> want{u"kept"};
    for (std::size_t start = 0, nul; (nul = bytes.find('\0', start)) < within; start = nul + 1) {
        want.push_back(
            *platform::FromProfileText(std::string_view(bytes).substr(start, nul - start)));
    }

    static pressavo::Form1 form;
    platform::host::ListBoxStandIn list;
    list.AddItem(u"kept");
    platform::Text section = u"s";
    const std::int32_t listed = form.ProfileLoadWinIniList(list, section);
    if (reads != 1) Fail("the profile was not read exactly once");
    if (list.items != want) Fail("the list differs from the NUL-terminated names within the count");
    if (listed != static_cast<std::int32_t>(list.items.size()))
        Fail("the count returned is not the list's");
    return 0;
}
