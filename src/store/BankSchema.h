#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Marks a bank file in SQLite's header ("TiKu").
constexpr int kBankApplicationId = 0x54694B75;

// The four tables of a bank with their columns in table order. The order is
// part of the format: windows read rows by column position.
const std::vector<std::pair<QString, QStringList>>& bankTableColumns();

// Creates a new, empty bank file (the four tables, no rows). Refuses to touch
// an existing file and creates no folder. Throws StoreError.
void createBankFile(const QString& path);

// True when `path` is a bank file: the application id and the four tables with
// their columns in order. Otherwise false, with the reason in `why`. Never
// throws, and never creates or changes the file.
bool isBankFile(const QString& path, QString* why = nullptr);

// What a file offered as a bank (to restore from, to merge from, as a
// backup) turns out to be.
enum class BankFileState {
    Sound,    // a bank file, and SQLite finds its structure whole
    NotABank, // not a bank file at all (isBankFile)
    Damaged,  // a bank file whose pages SQLite finds damaged (quick_check)
};

// Checks `path` as isBankFile does, then runs SQLite's quick_check on it,
// which reads every page: for files about to be restored or merged from, not
// for every open. The reason goes to `why` unless the file is sound. Never
// throws, and never changes what the file holds.
BankFileState checkBankFile(const QString& path, QString* why = nullptr);

class BankConnection;

// True when the bank has everything this version adds to the four tables (the
// index of the knowledge paths, the record of deleted row identities).
bool bankIsCurrent(BankConnection& c);
// Adds what a bank made by an earlier version lacks, in one transaction. The
// four tables and their rows are not touched. Throws StoreError.
void upgradeBank(BankConnection& c);
// The statements upgradeBank() runs, in order; each does nothing on a bank
// that has what it adds, so they may run on any bank.
QStringList bankUpgradeStatements();
