// Lists profile sections into a real LISTBOX window through Form1, and checks what the list got.
//   pressavo-listing-probe <case>...   runs the cases in turn; exit 0 when all passed, 1 when not
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Form1.h"
#include "ListBoxWindow.h"
#include "WindowsApi.h"

namespace {

using Names = std::vector<std::u16string>;
using Operation = platform::ListControlError::Operation;
using pressavo::Form1;

// The listing reads at most this many bytes; when names do not fit, the documented count is
// two less, so a name fits only when it ends with its NUL within that count.
constexpr std::size_t kFits = 8102 - 2;

std::string Show(const std::u16string& text) {
    std::string out = "\"";
    for (const char16_t c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
        out += c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c)) : escaped;
    }
    return out + "\"";
}

bool Expect(bool ok, const char* what, const std::string& seen, const std::string& expected) {
    if (!ok) std::printf("  %s: got %s, expected %s\n", what, seen.c_str(), expected.c_str());
    return ok;
}

// Compares whole lists, showing the sizes and the first item that differs.
bool ExpectNames(const char* what, const Names& got, const Names& want) {
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    if (got.size() == want.size() && i == got.size()) return true;
    std::printf("  %s: %zu items, expected %zu; first difference at %zu: %s, expected %s\n", what,
                got.size(), want.size(), i, i < got.size() ? Show(got[i]).c_str() : "(end)",
                i < want.size() ? Show(want[i]).c_str() : "(end)");
    return false;
}

// A LISTBOX child of the form's hidden window, created hidden and never shown.
class ListWindow {
public:
    explicit ListWindow(HWND parent)
        : hwnd_(CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 200, 200, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
    ~ListWindow() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    ListWindow(const ListWindow&) = delete;
    ListWindow& operator=(const ListWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    LRESULT Count() const { return SendMessageW(hwnd_, LB_GETCOUNT, 0, 0); }
    Names Items() const {
        Names items;
        for (LRESULT i = 0; i < Count(); ++i) {
            const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            // The text's NUL lands on the string's own terminator.
            std::u16string item(static_cast<std::size_t>(length > 0 ? length : 0), u'\0');
            SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(item.data()));
            items.push_back(item);
        }
        return items;
    }

private:
    HWND hwnd_;
};

// Replaces the section by `keys` (8-bit names in the ANSI code page); no keys: removes it.
// Key by key: Wine's WriteProfileSectionA reports success and writes nothing to win.ini.
void WriteSection(const char* section, const std::vector<std::string>& keys) {
    WriteProfileStringA(section, nullptr, nullptr);
    for (const std::string& key : keys) WriteProfileStringA(section, key.c_str(), "1");
}

struct Listing {
    bool ok = true;  // the section name came back as it went
    std::int32_t returned = -99;
    std::optional<platform::ListControlError> error;
};

// `returned`: the name expected back, when the code page cannot hold the one given.
Listing List(Form1& form, const ListWindow& list, const std::u16string& section,
             const std::optional<std::u16string>& returned = std::nullopt) {
    platform::ListBoxWindow box(list.Handle());
    platform::Text name = section;
    Listing out;
    try {
        out.returned = form.ProfileLoadWinIniList(box, name);
    } catch (const platform::ListControlError& error) {
        out.error = error;
    } catch (const platform::TextConversionError& error) {
        out.ok = Expect(false, "listing", error.what(), "no conversion error");
    }
    const std::u16string& expected = returned.value_or(section);
    out.ok &= Expect(name == expected, "section name after the call", Show(name), Show(expected));
    return out;
}

// Lists `section` into a list already holding `before`; checks that the call succeeded and that
// its count is the list's, and gives the items the list ended with.
std::optional<Names> ListInto(Form1& form, const std::u16string& section, const Names& before,
                              const std::optional<std::u16string>& returned = std::nullopt) {
    const ListWindow list(static_cast<HWND>(form.Window().Handle()));
    for (const auto& item : before) {
        SendMessageW(list.Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    const Listing result = List(form, list, section, returned);
    if (result.error) {
        Expect(false, "listing", result.error->what(), "no error");
        return std::nullopt;
    }
    const bool counted =
        Expect(result.returned == list.Count(), "returned count", std::to_string(result.returned),
               "LB_GETCOUNT " + std::to_string(list.Count()));
    return counted && result.ok ? std::optional<Names>(list.Items()) : std::nullopt;
}

// Lists `count` keys "<4 digits><tails times tail>" (8-bit and as text): more than the read holds.
bool Overflow(Form1& form, const std::u16string& section, int count, int tails,
              const std::string& tail8, char16_t tail16) {
    std::vector<std::string> keys;
    Names names;
    for (int i = 0; i < count; ++i) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04d", i);
        keys.push_back(digits);
        names.push_back(std::u16string(digits, digits + 4) + std::u16string(tails, tail16));
        for (int t = 0; t < tails; ++t) keys.back() += tail8;
    }
    const std::string section8(section.begin(), section.end());
    WriteSection(section8.c_str(), keys);
    std::size_t fit = 0, used = 0;
    while (fit < keys.size() && (used += keys[fit].size() + 1) <= kFits) ++fit;
    const auto items = ListInto(form, section, {});
    return items &&
           ExpectNames("names that fit", *items, Names(names.begin(), names.begin() + fit));
}

bool CodePage(UINT expected, const char* locale) {
    return Expect(GetACP() == expected, "ANSI code page", std::to_string(GetACP()),
                  std::to_string(expected) + " (set LC_ALL=" + locale + ")");
}
bool Japanese() {
    return CodePage(932, "ja_JP.UTF-8");
}
bool Utf8() {
    return CodePage(CP_UTF8, "hi_IN.UTF-8");
}

// A list box whose window procedure answers `answer` to the `nth` `message` it gets.
struct Fault {
    UINT message;
    int nth;
    LRESULT answer;
    Operation failed;
    Names kept;
};
const Fault* g_fault = nullptr;
int g_seen = 0;
WNDPROC g_original = nullptr;

LRESULT CALLBACK Faulty(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == g_fault->message && ++g_seen == g_fault->nth) return g_fault->answer;
    return CallWindowProcW(g_original, hwnd, message, wparam, lparam);
}

bool ListErrors(Form1& form) {
    WriteSection("PressavoE2E.Errors", {"a", "b", "c"});
    const Fault faults[] = {{LB_ADDSTRING, 2, LB_ERRSPACE, Operation::AddItem, {u"a"}},
                            {LB_ADDSTRING, 1, LB_ERR, Operation::AddItem, {}},
                            {LB_GETCOUNT, 1, LB_ERR, Operation::ListCount, {u"a", u"b", u"c"}}};
    bool ok = true;
    for (const Fault& fault : faults) {
        const ListWindow list(static_cast<HWND>(form.Window().Handle()));
        g_fault = &fault;
        g_seen = 0;
        g_original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Faulty)));
        const Listing result = List(form, list, u"PressavoE2E.Errors");
        SetWindowLongPtrW(list.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_original));
        const std::string expected =
            std::to_string(fault.answer) + " from " +
            (fault.failed == Operation::AddItem ? "AddItem" : "ListCount") + " of " +
            platform::ListBox::kInterfaceId;
        const auto& e = result.error;
        ok &= Expect(e && e->Status() == fault.answer && e->Failed() == fault.failed &&
                         std::strcmp(e->InterfaceId(), platform::ListBox::kInterfaceId) == 0,
                     "error", e ? e->what() + std::string(" of ") + e->InterfaceId() : "none",
                     expected);
        ok &= result.ok && ExpectNames("items kept", list.Items(), fault.kept);
    }
    return ok;
}

struct Case {
    const char* name;
    bool (*run)(Form1& form);
};

const Case kCases[] = {
    {"appended",
     [](Form1& form) {
         WriteSection("PressavoE2E.Appended", {"a", "b"});
         const auto items = ListInto(form, u"PressavoE2E.Appended", {u"before"});
         return items && ExpectNames("items", *items, {u"before", u"a", u"b"});
     }},
    {"absent",
     [](Form1& form) {
         WriteSection("PressavoE2E.Absent", {});
         const auto items = ListInto(form, u"PressavoE2E.Absent", {u"before"});
         return items && ExpectNames("items", *items, {u"before"});
     }},
    // 40 bytes a name: 202 fit (8080 bytes), and the cut falls 20 bytes into the next one.
    {"overflow",
     [](Form1& form) { return Overflow(form, u"PressavoE2E.Overflow", 220, 35, "x", u'x'); }},
    {"list-errors", ListErrors},
    {"windows",
     [](Form1& form) {
         WriteProfileStringA("windows", "Device", "Pressavo,winspool,Ne01:");
         const auto items = ListInto(form, u"windows", {});
         return items && Expect(std::find(items->begin(), items->end(), u"Device") != items->end(),
                                "\"Device\" among the names",
                                std::to_string(items->size()) + " names", "it");
     }},
    // A name the code page cannot hold reads the section of its '?' form, never a look-alike's.
    {"no-look-alike",
     [](Form1& form) {
         if (!CodePage(1252, "C")) return false;
         WriteSection("PressavoE2E.A8", {"look-alike"});
         WriteSection("PressavoE2E.??", {});
         const auto items =
             ListInto(form, u"PressavoE2E.\u0100\u221e", {u"before"}, u"PressavoE2E.??");
         return items && ExpectNames("items", *items, {u"before"});
     }},
    {"cp932",
     [](Form1& form) {
         if (!Japanese()) return false;
         // あい, 日本 and b, in a section named PressavoE2E.日本.
         WriteSection("PressavoE2E.\x93\xfa\x96\x7b",
                      {"\x82\xa0\x82\xa2", "\x93\xfa\x96\x7b", "b"});
         const auto items = ListInto(form, u"PressavoE2E.\u65e5\u672c", {});
         return items && ExpectNames("items", *items, {u"\u3042\u3044", u"\u65e5\u672c", u"b"});
     }},
    // 65 bytes a name ("0000" and 30 times あ): 124 fit (8060 bytes); in the next one the cut at
    // byte 8100 or 8101 falls on or inside its 19th double-byte character.
    {"cp932-overflow",
     [](Form1& form) {
         return Japanese() &&
                Overflow(form, u"PressavoE2E.Overflow932", 140, 30, "\x82\xa0", u'\u3042');
     }},
    // あい, 日本, b and U+1F600 (4 bytes, a surrogate pair), in a section named PressavoE2E.日本.
    {"utf8",
     [](Form1& form) {
         if (!Utf8()) return false;
         WriteSection(
             "PressavoE2E.\xe6\x97\xa5\xe6\x9c\xac",
             {"\xe3\x81\x82\xe3\x81\x84", "\xe6\x97\xa5\xe6\x9c\xac", "b", "\xf0\x9f\x98\x80"});
         const auto items = ListInto(form, u"PressavoE2E.\u65e5\u672c", {});
         return items && ExpectNames("items", *items,
                                     {u"\u3042\u3044", u"\u65e5\u672c", u"b", u"\U0001F600"});
     }},
    // Names "0000" and t times あ (3 bytes): the read's cut at byte 8100 falls at offset 0, 1 and
    // 2 of a character for t = 30 (85 names fit), 32 (80) and 34 (75).
    {"utf8-overflow",
     [](Form1& form) {
         return Utf8() &&
                Overflow(form, u"PressavoE2E.Overflow30", 100, 30, "\xe3\x81\x82", u'\u3042') &&
                Overflow(form, u"PressavoE2E.Overflow32", 100, 32, "\xe3\x81\x82", u'\u3042') &&
                Overflow(form, u"PressavoE2E.Overflow34", 100, 34, "\xe3\x81\x82", u'\u3042');
     }},
};

}  // namespace

int main(int argc, char** argv) {
    Form1 form;
    if (form.Window().Handle() == nullptr) {
        std::printf("FAIL: Form1's window was not created (no display?)\n");
        return 1;
    }
    bool ok = argc > 1;  // no case named: nothing passed
    for (int i = 1; i < argc; ++i) {
        const Case* found = nullptr;
        for (const Case& c : kCases) found = std::strcmp(c.name, argv[i]) == 0 ? &c : found;
        const bool passed = found != nullptr && found->run(form);
        std::printf("%s %s\n", passed ? "PASS" : "FAIL", argv[i]);
        ok &= passed;
    }
    return ok ? 0 : 1;
}
