// The profile calls, straight to kernel32 (only Win32-specific code here).
#include "Profile.h"

#include "WindowsApi.h"

namespace platform {

bool WriteProfileStringA(const char* section, const char* key, const char* value) {
    return ::WriteProfileStringA(section, key, value) != FALSE;
}

std::int32_t GetProfileStringA(const char* section, const char* key, const char* fallback,
                               char* returned, std::uint32_t size) {
    return static_cast<std::int32_t>(::GetProfileStringA(section, key, fallback, returned, size));
}

}  // namespace platform
