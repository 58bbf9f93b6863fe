#pragma once

#include <QString>

// The folder of the executable, without a trailing separator. Tests point it
// at a temporary folder.
QString programDirectory();
void setProgramDirectory(const QString& dir);
// <program directory>/DATA/TiKu.mdb
QString bankFilePath();
