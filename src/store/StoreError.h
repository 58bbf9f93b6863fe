#pragma once

// The bottom of src/store: every other file of the folder may include this
// one, and it includes none of them.

#include <exception>
#include <QString>
#include <utility>

// A failure of the bank store: the engine's error number and its text. It is
// thrown by every store operation and reported in one place (the window layer
// catches it at the end of the user's action, shows it, and the program goes on).
struct StoreError : std::exception
{
    int number = 0;
    QString text;

    StoreError(int n, QString t) : number(n), text(std::move(t)) {}
    const char* what() const noexcept override { return "bank store error"; }
};

// Error numbers the store gives itself. Engine failures carry SQLite's primary
// result code (5 locked, 8 read-only, ...); the first two below coincide with
// it on purpose. 13 is the old "type mismatch" number the users know; SQLite
// uses 13 for a full disk, and the text tells the two apart.
namespace StoreErrorNumber {
constexpr int CannotOpen = 14;     // the file is missing or cannot be opened (SQLITE_CANTOPEN)
constexpr int NotABank = 26;       // the file is not a bank file (SQLITE_NOTADB)
constexpr int NoCurrentRow = 3021; // no current record (beginning or end of file, or deleted)
constexpr int NoSuchField = 3265;  // a column name or position that the table does not have
constexpr int TypeMismatch = 13;   // a value that does not convert (a question number that is not a number)
constexpr int DiskFull = 13; // the disk is full (SQLITE_FULL): the number of TypeMismatch, with another text
} // namespace StoreErrorNumber
