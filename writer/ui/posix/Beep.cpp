#include <QApplication>

#include "ui/Beep.h"

namespace bramblet::ui {

void PlatformBeep(std::uint32_t) {
    QApplication::beep();
}

}  // namespace bramblet::ui
