// Pressavo.exe's replacements for the C++ runtime's throwing paths: they end the process.
// Linked into the executable only (see cmake/executable-win32.cmake); the libraries keep
// exceptions. Defining these here keeps libstdc++'s exception machinery out of the link.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

#include "WindowsApi.h"

namespace {

// The status of a run that could not go on: out of memory, or a length past what a string can
// hold. Neither can happen with the run's few fixed texts unless the system is failing; the
// process ends at once and shows nothing (msvcrt's abort() may show a message box).
constexpr UINT kRuntimeFailureStatus = 2;

[[noreturn]] void RuntimeFailure() {
    ExitProcess(kRuntimeFailureStatus);
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) RuntimeFailure();
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t /*size*/) noexcept {
    std::free(block);
}

// The standard library's error reports, as <bits/functexcept.h> declares them.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl58-cpp)
namespace std {
void __throw_bad_alloc() {
    RuntimeFailure();
}
void __throw_bad_array_new_length() {
    RuntimeFailure();
}
void __throw_length_error(const char* /*what*/) {
    RuntimeFailure();
}
void __throw_logic_error(const char* /*what*/) {
    RuntimeFailure();
}
void __throw_out_of_range_fmt(const char* /*format*/, ...) {
    RuntimeFailure();
}
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl58-cpp)
