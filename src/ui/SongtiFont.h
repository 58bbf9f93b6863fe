#pragma once

#include <QString>
#include <QStringList>

// 宋体 is the face of every question document. Where it is not installed
// (anything but Chinese Windows) Qt is told to draw it, and SimSun, with an
// installed CJK face, so that Chinese text never shows as boxes. Safe to call
// more than once.
void substituteSongti();

// The family a document names for its default text.
inline QString songtiFamily()
{
    using namespace Qt::StringLiterals;
    return u"宋体"_s;
}
