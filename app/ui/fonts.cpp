#include "app/ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace ql {

QString YaheiFamily() { return QStringLiteral("微软雅黑"); }
QString Gb2312Family() { return QStringLiteral("宋体"); }

QString InstallFontSubstitutions() {
    static const QStringList preferred = {
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
        QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN"),
    };
    const QStringList installed = QFontDatabase::families();
    QString chosen;
    for (const QString& f : preferred) {
        if (installed.contains(f, Qt::CaseInsensitive)) { chosen = f; break; }
    }
    if (chosen.isEmpty()) {
        for (const QString& f : installed) {
            if (QFontDatabase::writingSystems(f).contains(QFontDatabase::SimplifiedChinese)) { chosen = f; break; }
        }
    }
    if (chosen.isEmpty()) return chosen;
    for (const QString& name : {YaheiFamily(), Gb2312Family()}) {
        if (!QFont::substitutes(name).contains(chosen)) QFont::insertSubstitution(name, chosen);
    }
    return chosen;
}

QFont PixelFont(const QString& family, int pixels) {
    QFont f(family);
    f.setPixelSize(pixels);
    return f;
}

}  // namespace ql
