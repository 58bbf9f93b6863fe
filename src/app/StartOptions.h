#pragma once

#include <QString>
#include <QStringList>

// The command line of the program:
//     tiku [--bank PATH] [--start-check]
//     tiku --version | --help
// Qt's own options (-platform, -style …) are taken out by QApplication
// before these are read.
struct StartOptions
{
    QString bank;            // --bank PATH: this bank instead of the usual one
    bool startCheck = false; // --start-check (StartCheck.h)
    bool version = false;
    bool help = false;
    QString error; // what is wrong with the command line; empty when nothing is
};

// `arguments` as QCoreApplication::arguments() gives them: the program first.
StartOptions parseStartOptions(const QStringList& arguments);

// "tiku 1.0": the program's name and the project's version.
QString versionLine(const QString& program);
QString startUsage();
