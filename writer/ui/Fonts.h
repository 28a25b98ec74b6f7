#pragma once
#include <QFont>

namespace bramblet::ui {

// The windows' font is "ＭＳ Ｐゴシック". Where it is not installed, IPAPGothic (metrically
// compatible) stands in for it, then Noto Sans CJK JP, so no Japanese text falls back to a font
// without Japanese glyphs.
void InstallFontSubstitutes();

// The windows' font at a pixel height, with the Shift-JIS character set's Japanese writing.
QFont FormFont(int pixels);

}  // namespace bramblet::ui
