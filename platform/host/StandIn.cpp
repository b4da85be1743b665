// The host stand-in: an in-memory profile store, in-process broadcast, observable program end.
#include "StandIn.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "Broadcast.h"
#include "Profile.h"
#include "Program.h"

namespace platform::host {

namespace {
bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string Arg(const char* text) {
    return text != nullptr ? std::string(text) : "<null>";
}

// Fills `out` with `items`, each NUL-terminated, and one more NUL, as the platform lists names:
// names that do not fit are cut short, followed by two NULs, and the count is size - 2.
std::int32_t DeliverList(const std::vector<std::string>& items, char* out, std::uint32_t size) {
    if (size == 0) return 0;
    if (size < 3) {
        std::memset(out, 0, size);
        return 0;
    }
    std::uint32_t used = 0;
    for (const std::string& item : items) {
        if (used + item.size() + 2 > size) {
            const std::uint32_t room = size - 2 - used;
            std::memcpy(out + used, item.data(), room);
            out[size - 2] = '\0';
            out[size - 1] = '\0';
            return static_cast<std::int32_t>(size - 2);
        }
        std::memcpy(out + used, item.data(), item.size());
        used += static_cast<std::uint32_t>(item.size());
        out[used++] = '\0';
    }
    out[used] = '\0';
    return static_cast<std::int32_t>(used);
}

// Copies a single value, cut to size - 1 bytes, as the platform does.
std::int32_t DeliverValue(const std::string& value, char* out, std::uint32_t size) {
    if (size == 0) return 0;
    const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return static_cast<std::int32_t>(n);
}
}  // namespace

StandIn& Platform() {
    static StandIn instance;
    return instance;
}

ProfileStore::Section* ProfileStore::Find(const std::string& section) {
    const auto it = std::find_if(sections_.begin(), sections_.end(),
                                 [&](const Section& s) { return SameName(s.name, section); });
    return it != sections_.end() ? &*it : nullptr;
}

const ProfileStore::Section* ProfileStore::Find(const std::string& section) const {
    return const_cast<ProfileStore*>(this)->Find(section);
}

void ProfileStore::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
    Section* s = Find(section);
    if (s == nullptr) s = &sections_.emplace_back(Section{section, {}});
    for (auto& [name, stored] : s->entries) {
        if (SameName(name, key)) {
            stored = value;
            return;
        }
    }
    s->entries.emplace_back(key, value);
}

void ProfileStore::RemoveKey(const std::string& section, const std::string& key) {
    if (Section* s = Find(section)) {
        std::erase_if(s->entries, [&](const auto& entry) { return SameName(entry.first, key); });
    }
}

void ProfileStore::RemoveSection(const std::string& section) {
    std::erase_if(sections_, [&](const Section& s) { return SameName(s.name, section); });
}

std::optional<std::string> ProfileStore::Read(const std::string& section,
                                              const std::string& key) const {
    if (const Section* s = Find(section)) {
        for (const auto& [name, value] : s->entries) {
            if (SameName(name, key)) return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ProfileStore::Keys(const std::string& section) const {
    std::vector<std::string> names;
    if (const Section* s = Find(section)) {
        std::transform(s->entries.begin(), s->entries.end(), std::back_inserter(names),
                       [](const auto& entry) { return entry.first; });
    }
    return names;
}

}  // namespace platform::host

namespace platform {

using host::Arg;
using host::Platform;

bool WriteProfileStringA(const char* section, const char* key, const char* value) {
    auto& p = Platform();
    p.calls.push_back({"WriteProfileStringA", {Arg(section), Arg(key), Arg(value)}});
    if (p.failing.contains("WriteProfileStringA") || section == nullptr) return false;
    if (key == nullptr) {
        p.profile.RemoveSection(section);
    } else if (value == nullptr) {
        p.profile.RemoveKey(section, key);
    } else {
        p.profile.Write(section, key, value);
    }
    return true;
}

std::int32_t GetProfileStringA(const char* section, const char* key, const char* fallback,
                               char* returned, std::uint32_t size) {
    auto& p = Platform();
    p.calls.push_back(
        {"GetProfileStringA", {Arg(section), Arg(key), Arg(fallback), std::to_string(size)}});
    if (p.reader) return (*p.reader)(section, key, fallback, returned, size);
    if (p.failing.contains("GetProfileStringA") || section == nullptr) {
        return host::DeliverValue(fallback != nullptr ? fallback : "", returned, size);
    }
    if (key == nullptr) return host::DeliverList(p.profile.Keys(section), returned, size);
    const auto value = p.profile.Read(section, key);
    return host::DeliverValue(value ? *value : (fallback != nullptr ? fallback : ""), returned,
                              size);
}

void BroadcastWinIniChange(const char* section) {
    auto& p = Platform();
    p.calls.push_back({"BroadcastWinIniChange", {Arg(section)}});
    constexpr std::uint32_t kWinIniChange = 0x001A;
    for (const auto& receive : p.receivers) receive(kWinIniChange, 0, section);
}

HiddenWindow::HiddenWindow(const char* className) {
    auto& p = Platform();
    p.calls.push_back({"CreateHiddenWindow", {Arg(className)}});
    if (!p.failing.contains("CreateHiddenWindow")) {
        ++p.windowsCreated;
        handle_ = &p;  // any non-null token stands for the window
    }
}

HiddenWindow::~HiddenWindow() = default;

void EndProgram(std::uint32_t status) {
    Platform().calls.push_back({"EndProgram", {std::to_string(status)}});
    throw host::ProgramEnded{status};
}

}  // namespace platform
