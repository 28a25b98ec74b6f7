#pragma once
#include <windows.h>

#include <string>

namespace bramblet {

// "WHAT: the system's words for `error`" in UTF-8, or "WHAT: system error N" where the system
// has no words for it.
std::string SystemErrorText(const std::string& what, DWORD error);

}  // namespace bramblet
