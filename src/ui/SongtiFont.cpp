#include "ui/SongtiFont.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

void substituteSongti()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QStringList installed;
    for (const QString& family : {u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s, u"Source Han Serif SC"_s,
                                  u"WenQuanYi Micro Hei"_s}) {
        if (QFontDatabase::hasFamily(family))
            installed << family;
    }
    for (const QString& family : {u"宋体"_s, u"SimSun"_s}) {
        if (!QFontDatabase::hasFamily(family) && !installed.isEmpty())
            QFont::insertSubstitutions(family, installed);
    }
}

void applyProgramFont()
{
    substituteSongti();
    QFont font = QGuiApplication::font();
    const QString family = font.family();
    font.setFamilies({u"SimSun"_s, u"Noto Sans CJK SC"_s, family});
    QGuiApplication::setFont(font);
}
