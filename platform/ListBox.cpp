// Failure reporting shared by every list control back end.
#include "ListBox.h"

#include <limits>
#include <string>
#include <utility>

namespace platform {

namespace {
std::string Describe(std::int32_t status, ListControlError::Operation operation) {
    const char* name = operation == ListControlError::Operation::AddItem ? "AddItem" : "ListCount";
    return std::string(ListBox::kInterfaceId) + "." + name + " failed with status " +
           std::to_string(status);
}
}  // namespace

ListControlError::ListControlError(std::int32_t status, Operation operation)
    : std::runtime_error(Describe(status, operation)),
      status_(status),
      operation_(operation),
      interfaceId_(ListBox::kInterfaceId) {}

void ListBox::AddItem(Text item, std::optional<std::int32_t> index) {
    const std::int32_t result = Insert(std::move(item), index);
    if (result < 0) throw ListControlError(result, ListControlError::Operation::AddItem);
}

std::int16_t ListBox::ListCount() {
    const std::int32_t count = Count();
    if (count < 0) throw ListControlError(count, ListControlError::Operation::ListCount);
    if (count > std::numeric_limits<std::int16_t>::max()) {
        throw ListControlError(kListCountOverflow, ListControlError::Operation::ListCount);
    }
    return static_cast<std::int16_t>(count);
}

}  // namespace platform
