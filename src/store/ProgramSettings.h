#pragma once

#include <memory>
#include <QSettings>
#include <QString>

// The user's settings of this program, kept between runs: tiku.ini under
// QingTong in the user's configuration folder (~/.config/QingTong/tiku.ini,
// on Windows %APPDATA%\QingTong\tiku.ini). What the composers' 版式 dialog
// chose and the folder each user of the program saved into last live there.
std::unique_ptr<QSettings> openProgramSettings();
// Keeps them in `iniPath` instead; the empty path goes back to the user's
// settings. Tests use a file of their own, never the user's.
void setProgramSettingsFile(const QString& iniPath);
