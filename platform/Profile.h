// The user's profile (the WIN.INI store): the platform's 8-bit read and write calls.
#pragma once

#include <cstdint>

namespace platform {

// Stores `value` under `section` / `key`. Returns false when the platform refused the write.
bool WriteProfileStringA(const char* section, const char* key, const char* value);

// Reads `section` / `key` into `returned` (at most `size` bytes are written), giving `fallback`
// when the key is absent. A null `key` asks for every key name of the section, each followed by
// a NUL, the list closed by one more NUL. The result counts the bytes delivered before the closing
// NUL; when the names do not fit, the last one is cut short and the count is size - 2 (or, on some
// platforms, size - 1), so a name is complete only when its NUL lies within the count.
std::int32_t GetProfileStringA(const char* section, const char* key, const char* fallback,
                               char* returned, std::uint32_t size);

}  // namespace platform
