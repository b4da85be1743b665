// The host stand-in of the list control: items in memory, failures on demand.
#pragma once

#include <optional>
#include <vector>

#include "ListBox.h"

namespace platform::host {

class ListBoxStandIn : public ListBox {
public:
    std::vector<Text> items;
    // The n-th Insert from now on (1 = the next one) answers `addStatus` and adds nothing.
    std::optional<int> failAddNumber;
    std::int32_t addStatus = kListErrSpace;
    // When set, Count answers this failure status.
    std::optional<std::int32_t> countStatus;

protected:
    std::int32_t Insert(Text&& item, std::optional<std::int32_t> index) override;
    std::int32_t Count() override;

private:
    int inserts_ = 0;
};

}  // namespace platform::host
