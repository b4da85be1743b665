// The program's window start-up and its end.
#pragma once

#include <cstdint>

namespace platform {

// A window of the given class that is created hidden and is never shown. It has no place on the
// desktop (it receives no broadcasts) but can be the parent of controls.
// Creation may fail (for example with no desktop to create it on); the program goes on without it.
class HiddenWindow {
public:
    explicit HiddenWindow(const char* className);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    // The platform's handle of the window, or null when creation failed.
    void* Handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

// Ends the process at once with `status`: no window handler runs and nothing more is shown.
[[noreturn]] void EndProgram(std::uint32_t status);

}  // namespace platform
