#pragma once

#include <QString>

// Where the bank of a run lives, chosen once when the program starts.
//
// A build folder or a portable copy keeps its bank in DATA/ beside the
// program, as it always has. An installed copy (/usr/bin/tiku) cannot write
// there: each user then has a bank of their own in their data folder
// (~/.local/share/cn.qingtong.tiku/DATA/TiKu.mdb), made at the first start
// from the template the package installs. --bank PATH overrides both.
struct BankLocation
{
    enum class Place {
        Given,         // --bank PATH
        BesideProgram, // <program directory>/DATA/TiKu.mdb
        UserData,      // <user data folder>/DATA/TiKu.mdb
    };
    Place place = Place::BesideProgram;
    QString bank;         // the bank file
    QString templateFile; // what a missing bank in the user's data folder is made from; may be empty
};

// The bank a start uses:
// - `given` (made absolute) when it is not empty;
// - DATA/TiKu.mdb beside the program when the program folder has a DATA
//   folder that the user can write into (a build folder, a portable copy),
//   or when it has none and is no installed copy (no template in
//   installedDataDirectory()): the login then says that the bank is missing;
// - otherwise DATA/TiKu.mdb in `userDataDir`, made from the installed
//   template, or, for a copy on a read-only medium, from its own bank.
BankLocation chooseBankLocation(const QString& given, const QString& programDir, const QString& userDataDir);

// The user's data folder of this program: <XDG data home>/cn.qingtong.tiku
// (%LOCALAPPDATA%\cn.qingtong.tiku on Windows).
QString userDataDirectory();

// Makes the bank of `location` from its template when the bank is missing
// and lives in the user's data folder; a bank that is there is never
// touched. The copy is written beside the bank under another name and takes
// the bank's name only when it is whole. Returns the reason, for the teacher,
// when it cannot be made; empty otherwise (made, or nothing to do).
QString provideBank(const BankLocation& location);
