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

class BankConnection;

// True when the bank has everything this version adds to the four tables (the
// index of the knowledge paths, the record of deleted row identities).
bool bankIsCurrent(BankConnection& c);
// Adds what a bank made by an earlier version lacks, in one transaction. The
// four tables and their rows are not touched. Throws StoreError.
void upgradeBank(BankConnection& c);
