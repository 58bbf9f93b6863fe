#include "app/StartOptions.h"

#include "BuildInfo.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

StartOptions parseStartOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption bank(u"bank"_s, QString(), u"PATH"_s);
    const QCommandLineOption startCheck(u"start-check"_s);
    const QCommandLineOption version(u"version"_s);
    const QCommandLineOption help(QStringList{u"help"_s, u"h"_s});
    parser.addOptions({bank, startCheck, version, help});

    StartOptions options;
    // An unknown option fails the parse, but what was known is still read:
    // --version answers even beside options that only Qt knows.
    if (!parser.parse(arguments))
        options.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        options.error = u"unexpected argument: %1"_s.arg(parser.positionalArguments().first());
    options.bank = parser.value(bank);
    if (parser.isSet(bank) && options.bank.isEmpty() && options.error.isEmpty())
        options.error = u"--bank needs the path of a bank file"_s;
    options.startCheck = parser.isSet(startCheck);
    options.version = parser.isSet(version);
    options.help = parser.isSet(help);
    return options;
}

QString versionLine(const QString& program)
{
    return program + u' ' + QString::fromLatin1(BuildInfo::kVersion);
}

QString startUsage()
{
    return u"usage: tiku [--bank PATH] [--start-check]\n"
           u"       tiku --version | --help\n"
           u"\n"
           u"  --bank PATH     use the bank file PATH instead of the usual one\n"
           u"                  (DATA/TiKu.mdb beside the program, or in the user's data folder)\n"
           u"  --start-check   start without waiting for a teacher: go on from the about window,\n"
           u"                  and once the login window shows, print where the bank is and end\n"
           u"                  (exit code 0: the bank can be used; 1: it cannot; 3: no login window)\n"
           u"  --version       print the version\n"_s;
}
