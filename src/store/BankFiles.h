#pragma once

// Whole bank files: copies, restores and the question merge. They go through
// SQLite's own interfaces, never through a plain file copy: the online backup
// copies every page of a consistent snapshot, even while windows keep results
// open on the file, and keeps the row identities of 数学题库 exactly (VACUUM
// INTO would renumber them, and a window's kept result would then show other
// questions). Checks that need words for the user (is it a bank, is it the same
// file) belong to the callers (src/admin); these functions only refuse.

#include <functional>
#include <optional>
#include <QString>
#include <QtGlobal>

// True when `a` and `b` name the same existing file, however the paths are
// spelled (relative, "..", links): the same file identity (FileIdentity).
bool isSameFile(const QString& a, const QString& b);

// Copies the bank file `bank` to `target`, replacing a file of that name (an
// interrupted restore of `bank` is undone first). The
// copy is written to a temporary file beside `target` and renamed into place
// when it is whole, so a failure leaves `target` as it was and nothing half
// written. With `durable`, the copy is on the disk (fsync) before it takes its
// place; otherwise it is as durable as a copy made with `cp`. Throws StoreError.
void backupBankFile(const QString& bank, const QString& target, bool durable = false);

// Replaces the content of the bank file `bank` by that of `source`, in place,
// through the backup interface: connections the windows keep open on `bank`
// see the old content or the new one, never a mix, and the file keeps its
// place. First, under the bank's exclusive lock, the bank as it is is kept in
// `safetyCopy` (on the disk before anything is replaced). The pages are then
// copied without a rollback journal; while they are, a marker beside the bank
// (restoreMarkerPath) names the safety copy. A failure on the way puts the
// safety copy back at once; a restore cut off by a crash or a power cut is
// undone the next time the bank is opened (undoInterruptedRestore). The
// restored bank is brought up to date (the record of row identities), and no
// row identity the bank had used before is given to a new question
// afterwards. `source` must be a bank file other than `bank` (the caller
// checks both). Throws StoreError.
void restoreBankFile(const QString& source, const QString& bank, const QString& safetyCopy);

// The marker of a restore under way: beside the bank, named after it
// (DATA/TiKu-恢复中.txt); its one line is the file name of the safety copy.
QString restoreMarkerPath(const QString& bank);

// When a restore into `bank` was cut off (its marker is there and no restore
// holds the bank), writes the safety copy the marker names back over the
// bank, removes the marker, tells the user (noticeBank) and returns the safety
// copy's path; otherwise nullopt. Throws StoreError when the bank is locked
// (a restore still under way in another program) or the safety copy is not
// a bank file; the bank is then left as it is.
std::optional<QString> undoInterruptedRestore(const QString& bank);

// What a merge appended to the target bank.
struct QuestionMerge
{
    qint64 appended = 0;
    QString firstNumber; // empty when nothing was appended
    QString lastNumber;
};

// Called as a merge goes on with the questions appended so far and the total.
using MergeProgress = std::function<void(qint64 done, qint64 total)>;

// How many questions a merge appends per statement (and per progress report).
constexpr qint64 kMergeBatch = 1000;

// Appends every question of the bank file `source` to the bank file `bank`, in
// the source's stored order, as one transaction: all of them or none. The new
// rows get row identities above every one the bank has used, and question
// numbers following the number of the bank's last-appended question (1, 2, 3,
// ... in an empty bank). Only the eleven columns of 数学题库 are read from the
// source. Throws StoreError: when a question number does not read as a number
// (TypeMismatch), when `source` is not a bank or is `bank` itself, and on any
// failure of the engine.
QuestionMerge appendQuestionsFrom(const QString& source, const QString& bank,
                                  const MergeProgress& progress = {});

// The whole number a merge continues from after `number`, the last-appended
// question's number: its value rounded to a whole number (halves to even, as
// the old conversion did). nullopt when it does not read as a number.
std::optional<qint64> mergeCounterFrom(const QString& number);
