#include "store/ProgramSettings.h"

using namespace Qt::StringLiterals;

namespace {

QString& settingsFile()
{
    static QString path;
    return path;
}

} // namespace

std::unique_ptr<QSettings> openProgramSettings()
{
    if (!settingsFile().isEmpty())
        return std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
    // Latin names: the folder and file names stay plain on every system.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, u"QingTong"_s, u"tiku"_s);
}

void setProgramSettingsFile(const QString& iniPath)
{
    settingsFile() = iniPath;
}
