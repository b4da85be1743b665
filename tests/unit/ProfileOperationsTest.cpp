// Form1's profile operations: entry splitting, taking names off the front, section listing.
#include <gtest/gtest.h>

#include <algorithm>

#include "Form1.h"
#include "ListBoxStandIn.h"
#include "StandIn.h"

namespace pressavo {

// Reaches Form1's private operations without making them public.
class Form1TestPeer {
public:
    static platform::Text Next(Form1& form, std::u16string_view& buffer) {
        return form.ProfileNextListItem(buffer);
    }
    static void Split(Form1& form, platform::Text entry, platform::Text& f1, platform::Text& f2) {
        form.ProfileSplitEntry(std::move(entry), f1, f2);
    }
};

namespace {

using platform::ListControlError;
using platform::Text;
using platform::host::ListBoxStandIn;
using platform::host::Platform;
using namespace std::string_literals;

class ProfileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override { Platform().Reset(); }

    // Makes the profile read deliver exactly `bytes` (padded with spaces) and answer `count`.
    static void Deliver(const std::string& bytes, std::int32_t count) {
        Platform().reader = [bytes, count](const char*, const char*, const char*, char* out,
                                           std::uint32_t size) {
            std::fill_n(out, size, ' ');
            std::copy_n(bytes.data(), std::min<std::size_t>(bytes.size(), size), out);
            return count;
        };
    }

    std::int32_t List(ListBoxStandIn& list, Text section = u"Ports") {
        return form.ProfileLoadWinIniList(list, section);
    }

    Form1 form;
};

TEST_F(ProfileOperationsTest, SplitsTheFirstTwoFields) {
    const struct {
        Text entry, field1, field2;
    } cases[] = {
        {u"Pressavo,winspool,Ne01:", u"Pressavo", u"winspool"},
        {u"a,b", u"a", u""},
        {u"abc", u"", u""},
        {u",b,c", u"", u"b"},
        {u"a,,c", u"a", u""},
        {u"a,b,c,d", u"a", u"b"},
        {u"", u"", u""},
        {u" a , b ,", u" a ", u" b "},
        {u"a\0,b\0,"s, u"a\0"s, u"b\0"s},
    };
    for (const auto& c : cases) {
        Text f1 = u"old1";
        Text f2 = u"old2";
        Form1TestPeer::Split(form, c.entry, f1, f2);
        EXPECT_EQ(f1, c.field1) << "entry " << testing::PrintToString(c.entry);
        EXPECT_EQ(f2, c.field2) << "entry " << testing::PrintToString(c.entry);
    }
}

TEST_F(ProfileOperationsTest, TakesTheNextNameOffTheFront) {
    const struct {
        Text buffer, name, rest;
    } cases[] = {
        {u"a\0"s, u"a", u""}, {u"abc", u"", u"abc"},           {u"\0x\0"s, u"", u"x\0"s},
        {u"", u"", u""},      {u"ab\0cd\0"s, u"ab", u"cd\0"s},
    };
    for (const auto& c : cases) {
        std::u16string_view buffer = c.buffer;
        EXPECT_EQ(Form1TestPeer::Next(form, buffer), c.name);
        EXPECT_EQ(Text(buffer), c.rest);
    }
}

TEST_F(ProfileOperationsTest, AppendsKeyNamesAfterExistingItemsWithOneRead) {
    Platform().profile.Write("Ports", "a", "1");
    Platform().profile.Write("PORTS", "b", "2");
    ListBoxStandIn list;
    list.items = {u"kept"};
    EXPECT_EQ(List(list), 3);
    EXPECT_EQ(list.items, (std::vector<Text>{u"kept", u"a", u"b"}));
    const std::vector<platform::host::Call> reads = {
        {"GetProfileStringA", {"Ports", "<null>", "", "8102"}}};
    EXPECT_EQ(Platform().calls, reads);
}

TEST_F(ProfileOperationsTest, ListsOnlyNamesEndedWithinTheCount) {
    const std::string full(8102, 'x');
    const struct {
        const char* what;
        std::string bytes;
        std::int32_t count;
        std::vector<Text> items;
    } cases[] = {
        {"absent section", "\0\0"s, 0, {}},
        {"empty names", "\0x\0\0"s, 3, {u"", u"x"}},
        {"nothing past the count", "a\0b\0\0"s, 2, {u"a"}},
        {"cut short, two NULs after the count",
         "a\0bb\0cutna\0\0"s.replace(10, 2, "\0\0"s),
         10,
         {u"a", u"bb"}},
        {"cut short, padding and no NUL", "a\0cutname "s, 10, {u"a"}},
        {"count with no NUL at all", full, 8101, {}},
        {"count past the buffer", full, 9000, {}},
        {"negative count", "a\0\0"s, -1, {}},
    };
    for (const auto& c : cases) {
        Deliver(c.bytes, c.count);
        ListBoxStandIn list;
        list.items = {u"kept"};
        EXPECT_EQ(List(list), static_cast<std::int32_t>(c.items.size() + 1)) << c.what;
        list.items.erase(list.items.begin());
        EXPECT_EQ(list.items, c.items) << c.what;
    }
}

TEST_F(ProfileOperationsTest, DropsTheNameTheStoreCutShort) {
    std::vector<Text> expected;
    for (int i = 0; i < 900; ++i) {  // 900 names of 11 bytes with their NULs: more than fits
        const std::string name = "key" + std::to_string(1000000 + i);
        Platform().profile.Write("Big", name, "v");
        if ((i + 1) * 11 <= 8100) expected.push_back(*platform::FromProfileText(name));
    }
    ListBoxStandIn list;
    EXPECT_EQ(List(list, u"Big"), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(list.items, expected);
}

TEST_F(ProfileOperationsTest, SectionNameComesBackAsTheProfileSawIt) {
    Text section = u"caf\u00e9 \u3042";
    ListBoxStandIn list;
    form.ProfileLoadWinIniList(list, section);
    EXPECT_EQ(section, u"caf\u00e9 ?");
    EXPECT_EQ(Platform().calls.at(0).args.at(0), "caf\xe9 ?");
}

TEST_F(ProfileOperationsTest, ControlFailureStopsAndKeepsEarlierItems) {
    Deliver("a\0b\0c\0\0"s, 6);
    const struct {
        std::optional<int> failAdd;
        std::optional<std::int32_t> countStatus;
        std::int32_t status;
        ListControlError::Operation failed;
        std::vector<Text> kept;
    } cases[] = {
        {1, {}, platform::kListErrSpace, ListControlError::Operation::AddItem, {}},
        {2, {}, platform::kListErrSpace, ListControlError::Operation::AddItem, {u"a"}},
        {3, {}, platform::kListErr, ListControlError::Operation::AddItem, {u"a", u"b"}},
        {{},
         platform::kListErr,
         platform::kListErr,
         ListControlError::Operation::ListCount,
         {u"a", u"b", u"c"}},
    };
    for (const auto& c : cases) {
        ListBoxStandIn list;
        list.failAddNumber = c.failAdd;
        list.addStatus = c.status;
        list.countStatus = c.countStatus;
        try {
            List(list);
            ADD_FAILURE() << "no error raised";
        } catch (const ListControlError& e) {
            EXPECT_EQ(e.Status(), c.status);
            EXPECT_EQ(e.Failed(), c.failed);
            EXPECT_STREQ(e.InterfaceId(), platform::ListBox::kInterfaceId);
        }
        EXPECT_EQ(list.items, c.kept);
    }
}

TEST_F(ProfileOperationsTest, ConversionFailureRaisesBeforeTouchingListOrName) {
    using Conversion = platform::TextConversionError::Conversion;
    Platform().profile.Write("Ports", "a", "1");
    const struct {
        bool nameFails;  // else converting back fails
        Conversion failed;
        std::size_t reads;
    } cases[] = {{true, Conversion::ToProfileText, 0}, {false, Conversion::FromProfileText, 1}};
    for (const auto& c : cases) {
        Platform().Reset();
        Platform().profile.Write("Ports", "a", "1");
        if (c.nameFails) Platform().unconvertible.insert(u"Ports");
        if (!c.nameFails) Platform().failing.insert("FromProfileText");
        ListBoxStandIn list;
        list.items = {u"kept"};
        Text section = u"Ports";
        try {
            form.ProfileLoadWinIniList(list, section);
            ADD_FAILURE() << "no error raised";
        } catch (const platform::TextConversionError& e) {
            EXPECT_EQ(e.Failed(), c.failed);
        }
        EXPECT_EQ(list.items, std::vector<Text>{u"kept"});
        EXPECT_EQ(section, u"Ports");
        EXPECT_EQ(Platform().calls.size(), c.reads) << "no other section may be read";
    }
}

TEST_F(ProfileOperationsTest, CountBeyondSixteenBitsIsAFailureNotANegativeNumber) {
    Deliver("a\0\0"s, 2);
    ListBoxStandIn list;
    list.items.assign(32766, u"x");
    EXPECT_EQ(List(list), 32767);
    try {
        List(list);
        ADD_FAILURE() << "a count of 32768 was reported";
    } catch (const ListControlError& e) {
        EXPECT_EQ(e.Status(), platform::kListCountOverflow);
        EXPECT_EQ(e.Failed(), ListControlError::Operation::ListCount);
    }
    EXPECT_EQ(list.items.size(), 32768U);
}

}  // namespace
}  // namespace pressavo
