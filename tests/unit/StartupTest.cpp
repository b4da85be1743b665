// The run: write the device entry, broadcast "windows", end; against the host stand-in.
#include <gtest/gtest.h>

#include "Entry.h"
#include "StandIn.h"

namespace {

using platform::host::Call;
using platform::host::Platform;
using platform::host::ProgramEnded;

struct Heard {
    std::uint32_t message;
    std::uintptr_t wparam;
    std::string text;
    std::string deviceThen;  // what the profile held when the message arrived
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Platform().Reset();
        Platform().receivers.emplace_back([this](std::uint32_t m, std::uintptr_t w, const char* t) {
            heard.push_back({m, w, t, Platform().profile.Read("windows", "Device").value_or("")});
        });
    }

    // Runs the program once and gives its exit status.
    static std::uint32_t Run() {
        try {
            pressavo::Start();
        } catch (const ProgramEnded& end) {
            return end.status;
        }
        ADD_FAILURE() << "the run did not end the program";
        return 99;
    }

    std::vector<Heard> heard;
};

const Call kWrite{"WriteProfileStringA", {"windows", "Device", "Pressavo,winspool,Ne01:"}};
const Call kBroadcast{"BroadcastWinIniChange", {"windows"}};

TEST_F(StartupTest, WritesThenBroadcastsThenEndsWithSuccess) {
    EXPECT_EQ(Run(), 0U);
    const std::vector<Call> expected = {
        {"CreateHiddenWindow", {"Form1"}}, kWrite, kBroadcast, {"EndProgram", {"0"}}};
    EXPECT_EQ(Platform().calls, expected);
    EXPECT_EQ(Platform().profile.Read("WINDOWS", "device"), "Pressavo,winspool,Ne01:");
    ASSERT_EQ(heard.size(), 1U);
    EXPECT_EQ(heard[0].message, 0x001AU);
    EXPECT_EQ(heard[0].wparam, 0U);
    EXPECT_EQ(heard[0].text, "windows");
    EXPECT_EQ(heard[0].deviceThen, "Pressavo,winspool,Ne01:") << "broadcast before the write";
}

TEST_F(StartupTest, FailedWriteStillBroadcastsAndEndsWithFailure) {
    Platform().failing.insert("WriteProfileStringA");
    EXPECT_EQ(Run(), 1U);
    EXPECT_EQ(heard.size(), 1U);
    EXPECT_EQ(Platform().calls.back(), (Call{"EndProgram", {"1"}}));
}

TEST_F(StartupTest, TextThatCannotBeConvertedIsNeverWrittenOrSentEmpty) {
    const struct {
        std::u16string text;
        std::size_t broadcasts;
    } cases[] = {{u"Pressavo,winspool,Ne01:", 1}, {u"Device", 1}, {u"windows", 0}};
    for (const auto& c : cases) {
        heard.clear();
        SetUp();
        Platform().profile.Write("windows", "Device", "Other,winspool,LPT1:");
        Platform().unconvertible.insert(c.text);
        EXPECT_EQ(Run(), 1U);
        EXPECT_EQ(
            std::count_if(Platform().calls.begin(), Platform().calls.end(),
                          [](const Call& call) { return call.name == "WriteProfileStringA"; }),
            0);
        EXPECT_EQ(Platform().profile.Read("windows", "Device"), "Other,winspool,LPT1:");
        ASSERT_EQ(heard.size(), c.broadcasts);
        if (c.broadcasts > 0) {
            EXPECT_EQ(heard[0].text, "windows");
        }
    }
}

TEST_F(StartupTest, WindowThatCannotBeCreatedDoesNotStopTheSwitch) {
    Platform().failing.insert("CreateHiddenWindow");
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(Platform().profile.Read("windows", "Device"), "Pressavo,winspool,Ne01:");
    EXPECT_EQ(heard.size(), 1U);
}

TEST_F(StartupTest, SecondRunWritesAndBroadcastsAgainOverAnyEarlierValue) {
    Platform().profile.Write("Windows", "DEVICE", "Other,winspool,LPT1:");
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(std::count(Platform().calls.begin(), Platform().calls.end(), kWrite), 2);
    EXPECT_EQ(heard.size(), 2U);
    EXPECT_EQ(Platform().profile.Keys("windows"), std::vector<std::string>{"DEVICE"});
    EXPECT_EQ(Platform().profile.Read("windows", "Device"), "Pressavo,winspool,Ne01:");
}

}  // namespace
