// A real LISTBOX window as the program's list control.
#pragma once

#include "ListBox.h"

namespace platform {

class ListBoxWindow : public ListBox {
public:
    // `window` is the HWND of an existing LISTBOX control; it stays the caller's.
    explicit ListBoxWindow(void* window) : window_(window) {}

protected:
    std::int32_t Insert(Text&& item, std::optional<std::int32_t> index) override;
    std::int32_t Count() override;

private:
    void* window_;
};

}  // namespace platform
