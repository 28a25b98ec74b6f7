#include "writer/ui/Fonts.h"

#include <QStringList>

#include "writer/form/Layout.h"

namespace bramblet::ui {
namespace {
const QString kFormFamily = QString::fromUtf8(form::kFontFamily);
}

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(kFormFamily,
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
}

QFont FormFont(int pixels) {
    QFont font(kFormFamily);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace bramblet::ui
