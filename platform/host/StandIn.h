// The host stand-in of the platform: what tests arrange, inject and observe.
// One process-wide instance; Reset() between tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::host {

// Thrown by EndProgram so a test can see the program end where a real process would stop.
struct ProgramEnded {
    std::uint32_t status;
};

// One platform call as the program made it, with its 8-bit arguments ("<null>" for a null one).
struct Call {
    std::string name;
    std::vector<std::string> args;
    bool operator==(const Call&) const = default;
};

// WIN.INI behaviour: sections and keys compared case-insensitively, key order kept.
class ProfileStore {
public:
    void Write(const std::string& section, const std::string& key, const std::string& value);
    void RemoveKey(const std::string& section, const std::string& key);
    void RemoveSection(const std::string& section);
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    // Every key name of `section` in store order; empty when the section is absent.
    std::vector<std::string> Keys(const std::string& section) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    Section* Find(const std::string& section);
    const Section* Find(const std::string& section) const;
    std::vector<Section> sections_;
};

// The receiver of a broadcast: message, wParam and the lParam text.
using Receiver =
    std::function<void(std::uint32_t message, std::uintptr_t wparam, const char* text)>;

// Replaces the profile read: a test delivers a buffer and count of its own making.
using ProfileReader =
    std::function<std::int32_t(const char* section, const char* key, const char* fallback,
                               char* returned, std::uint32_t size)>;

struct StandIn {
    ProfileStore profile;
    std::vector<Call> calls;
    std::vector<Receiver> receivers;
    std::set<std::string> failing;                        // names of calls that fail until removed
    std::set<std::u16string, std::less<>> unconvertible;  // texts ToProfileText cannot convert
    std::optional<ProfileReader> reader;
    int windowsCreated = 0;

    void Reset() { *this = StandIn{}; }
};

StandIn& Platform();

}  // namespace platform::host
