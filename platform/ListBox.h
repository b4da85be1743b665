// The platform's list control, as the program's profile listing uses it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "Text.h"

namespace platform {

// Failure statuses a list control reports. The first two are the LISTBOX window's own results.
inline constexpr std::int32_t kListErr = -1;       // LB_ERR
inline constexpr std::int32_t kListErrSpace = -2;  // LB_ERRSPACE: no room for the item
// More items than the 16-bit signed count can express: a count that would wrap is a failure.
inline constexpr std::int32_t kListCountOverflow = -3;

// Raised by a list control's operation that failed; the operation stops at once.
class ListControlError : public std::runtime_error {
public:
    enum class Operation { AddItem, ListCount };

    ListControlError(std::int32_t status, Operation operation);

    std::int32_t Status() const { return status_; }
    Operation Failed() const { return operation_; }
    // The identity of the interface that reported the failure (ListBox::kInterfaceId).
    const char* InterfaceId() const { return interfaceId_; }

private:
    std::int32_t status_;
    Operation operation_;
    const char* interfaceId_;
};

// A list of text items. Back ends report their control's own results; this class turns
// failures into ListControlError so that callers need no error handling of their own.
class ListBox {
public:
    static constexpr const char* kInterfaceId = "Pressavo.ListBox";

    virtual ~ListBox() = default;

    // Adds one item at the end, or before `index` when one is given. The item is taken, not
    // copied again: a listing hands over each name it has just made.
    void AddItem(Text item, std::optional<std::int32_t> index = std::nullopt);

    // The number of items, at most 32767.
    std::int16_t ListCount();

protected:
    // The new item's index, or a negative failure status.
    virtual std::int32_t Insert(Text&& item, std::optional<std::int32_t> index) = 0;
    // The number of items, or a negative failure status.
    virtual std::int32_t Count() = 0;
};

}  // namespace platform
