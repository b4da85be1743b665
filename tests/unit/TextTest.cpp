// Profile text conversion of the host stand-in (Windows-1252).
#include <gtest/gtest.h>

#include "Text.h"

namespace {

using platform::FromProfileText;
using platform::ToProfileText;

TEST(TextTest, RepresentableTextRoundTrips) {
    const std::u16string cases[] = {u"",
                                    u"windows",
                                    u"Pressavo,winspool,Ne01:",
                                    u"caf\u00e9 \u00ff\u00a0",
                                    u"\u20ac\u201a\u0192\u2122\u0178",
                                    std::u16string(u"a\0b\0\0", 5),
                                    u"\u0081\u008d\u009d"};
    for (const auto& text : cases) {
        EXPECT_EQ(FromProfileText(*ToProfileText(text)), text);
    }
}

TEST(TextTest, UnrepresentableCharactersBecomeQuestionMarks) {
    const struct {
        std::u16string text;
        std::string bytes;
    } cases[] = {
        {u"\u3042", "?"},
        {u"a\u0100b", "a?b"},
        {u"\u20ac\u3044\u00e9", "\x80?\xe9"},
        {u"x\xd83d\xde00y", "x?y"},  // a surrogate pair is one character
    };
    for (const auto& c : cases) EXPECT_EQ(ToProfileText(c.text), c.bytes);
}

TEST(TextTest, NulInsideTextIsKeptBothWays) {
    const std::string bytes("a\0b\0", 4);
    EXPECT_EQ(FromProfileText(bytes), std::u16string(u"a\0b\0", 4));
    EXPECT_EQ(ToProfileText(std::u16string(u"\0x", 2)), std::string("\0x", 2));
}

}  // namespace
