// The host stand-in of the list control.
#include "ListBoxStandIn.h"

#include <utility>

namespace platform::host {

std::int32_t ListBoxStandIn::Insert(Text&& item, std::optional<std::int32_t> index) {
    if (failAddNumber && ++inserts_ == *failAddNumber) return addStatus;
    if (index && (*index < 0 || static_cast<std::size_t>(*index) > items.size())) return kListErr;
    const std::size_t at = index ? static_cast<std::size_t>(*index) : items.size();
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return static_cast<std::int32_t>(at);
}

std::int32_t ListBoxStandIn::Count() {
    return countStatus ? *countStatus : static_cast<std::int32_t>(items.size());
}

}  // namespace platform::host
