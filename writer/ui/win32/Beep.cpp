#include <windows.h>

#include "ui/Beep.h"

namespace bramblet::ui {

void PlatformBeep(std::uint32_t type) {
    MessageBeep(type);
}

}  // namespace bramblet::ui
