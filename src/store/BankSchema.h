#pragma once

// What makes a file a bank: its tables and columns, how a new one is made,
// the check that a file is one, and what a bank of an earlier version gains
// when it is opened. It works on BankConnection, below it.

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

// Checks that the connection's file is a bank: the application id and the
// four tables with their columns in order. Returns an empty string when it
// is, else the reason. Engine errors (not a database at all, locked) throw
// StoreError.
QString bankMismatch(BankConnection& c);

// Makes sure the connection's file is a bank, as opening a bank needs it,
// and brings a bank of an earlier version up to date. The full check runs
// once per file and process, and again whenever the file has changed since
// (another program wrote it, or put another file in its place); the
// connection's own writes keep the file checked. Throws StoreError
// (NotABank with the reason) when it is not a bank. A restore cut off half
// way is the opener's to undo first (undoInterruptedRestore).
void ensureBank(BankConnection& c);

// Forgets which files were checked, so that the next open checks again (tests).
void forgetCheckedBanks();
// How many full bank-file checks this process has run (tests).
int fullBankChecks();

// True when the bank has everything this version adds to the four tables (the
// index of the knowledge paths, the record of deleted row identities).
bool bankIsCurrent(BankConnection& c);
// Adds what a bank made by an earlier version lacks, in one transaction. The
// four tables and their rows are not touched. Throws StoreError.
void upgradeBank(BankConnection& c);
// The statements upgradeBank() runs, in order; each does nothing on a bank
// that has what it adds, so they may run on any bank.
QStringList bankUpgradeStatements();
