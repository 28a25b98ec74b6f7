#pragma once
// The order in which port names are offered, by the window's port list and by bramblet-cli ports.
#include <string>
#include <vector>

namespace bramblet {

// Shorter names first, so that COM2 comes before COM10 (numbers are never parsed); names of one
// length in the user's locale's order, case-sensitive. Negative when `a` comes first.
int ComparePortNames(const std::string& a, const std::string& b);

// Sorts by ComparePortNames; equal names keep their order.
void SortPortNames(std::vector<std::string>& names);

}  // namespace bramblet
