#pragma once

#include <QString>

// Marks a bank file in SQLite's header ("TiKu").
constexpr int kBankApplicationId = 0x54694B75;

// Creates a new, empty bank file (the four tables, no rows). Refuses to touch
// an existing file. Throws StoreError.
void createBankFile(const QString& path);

// True when `path` is a bank file: the application id and the four tables with
// their columns in order. Otherwise false, with the reason in `why`.
bool isBankFile(const QString& path, QString* why = nullptr);
