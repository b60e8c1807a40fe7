// Font families the windows ask for by name, and their mapping onto the installed CJK font.
#pragma once

#include <QFont>
#include <QString>

namespace ql {

// The family the program asks for everywhere: "微软雅黑".
QString YaheiFamily();
// The family asked for where a window wants "a font of the GB2312 character set" without naming one.
QString Gb2312Family();

// Maps both families onto an installed CJK family (fontconfig knows neither name); call once after the
// QApplication exists. Returns the family they now resolve to (empty when no CJK family was found).
QString InstallFontSubstitutions();

// A font of the given family whose characters are `pixels` high.
QFont PixelFont(const QString& family, int pixels);

}  // namespace ql
