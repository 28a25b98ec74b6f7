#pragma once
// A Windows program receives one command line and splits it itself, by the C runtime's rules;
// the arguments must be quoted so that it gets back exactly the strings given.
#include <string>
#include <vector>

namespace bramblet {

// `argv` as one command line that the C runtime splits back into the same strings.
std::string WindowsCommandLine(const std::vector<std::string>& argv);

}  // namespace bramblet
