#pragma once

#include <QString>
#include <QStringList>

// 宋体 is the face of every question document. Where it is not installed
// (anything but Chinese Windows) Qt is told to draw it, and SimSun, with an
// installed CJK face, so that Chinese text never shows as boxes. Safe to call
// more than once.
void substituteSongti();

// The program's font for its windows: its own face first where a Chinese
// Windows has it, then an installed CJK face, so that Chinese labels and
// fields are drawn by a face that has their characters instead of a search
// through fallback faces for each of them. Also substitutes 宋体.
void applyProgramFont();

// The family a document names for its default text.
inline QString songtiFamily()
{
    using namespace Qt::StringLiterals;
    return u"宋体"_s;
}
