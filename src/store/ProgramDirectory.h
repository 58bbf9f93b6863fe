#pragma once

#include <QString>

// The folder of the executable, without a trailing separator. Tests point it
// at a temporary folder.
QString programDirectory();
void setProgramDirectory(const QString& dir);

// Where an installed copy keeps the files it ships: <program directory>/../share/<id>
// (/usr/share/cn.qingtong.tiku beside /usr/bin/tiku).
QString installedDataDirectory();
// A file the program ships (the help page, the formula engine): beside the
// program in a build folder or a portable copy, else in the installed data
// folder when it is there; beside the program when it is in neither.
QString shippedFile(const QString& name);

// The bank of this run: the one the start chose (setBankFilePath), else
// <program directory>/DATA/TiKu.mdb.
QString bankFilePath();
// The start chooses the bank's place once (chooseBankLocation); the empty
// path goes back to the program directory's bank.
void setBankFilePath(const QString& path);
