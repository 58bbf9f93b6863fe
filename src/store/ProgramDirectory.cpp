#include "store/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace {
QString overridden;
}

QString programDirectory()
{
    QString dir = overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden;
    while (dir.size() > 1 && (dir.endsWith(u'/') || dir.endsWith(u'\\')))
        dir.chop(1);
    return dir;
}

void setProgramDirectory(const QString& dir)
{
    overridden = dir;
}

QString bankFilePath()
{
    return programDirectory() + u"/DATA/TiKu.mdb"_s;
}
