#include "writer/common/PortOrder.h"

#include <algorithm>
#include <cstring>

namespace bramblet {

int ComparePortNames(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    // The collation of the locale the program took from its environment at start.
    return std::strcoll(a.c_str(), b.c_str());
}

void SortPortNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ComparePortNames(a, b) < 0;
    });
}

}  // namespace bramblet
