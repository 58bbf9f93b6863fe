#include "store/ProgramDirectory.h"

#include "BuildInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
QString overridden;
QString chosenBank;
} // namespace

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

QString installedDataDirectory()
{
    return QDir::cleanPath(programDirectory() + u"/../share/"_s + QString::fromUtf16(BuildInfo::kAppId));
}

QString shippedFile(const QString& name)
{
    const QString beside = programDirectory() + u'/' + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = installedDataDirectory() + u'/' + name;
    return QFileInfo::exists(installed) ? installed : beside;
}

QString bankFilePath()
{
    return chosenBank.isEmpty() ? programDirectory() + u"/DATA/TiKu.mdb"_s : chosenBank;
}

void setBankFilePath(const QString& path)
{
    chosenBank = path;
}
