#include "writer/ui/Fonts.h"

#include <QStringList>

namespace bramblet::ui {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
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
