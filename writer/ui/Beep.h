#pragma once
#include <cstdint>

namespace bramblet::ui {

// The outcome sound: MessageBeep with the given type on Windows; the toolkit's bell elsewhere,
// which has only one sound.
void PlatformBeep(std::uint32_t type);

}  // namespace bramblet::ui
