#pragma once

// Whole bank files: copies, restores and the question merge. They go through
// SQLite's own interfaces, never through a plain file copy: the online backup
// copies every page of a consistent snapshot, even while windows keep results
// open on the file, and keeps the row identities of 数学题库 exactly (VACUUM
// INTO would renumber them, and a window's kept result would then show other
// questions). Checks that need words for the user (is it a bank, is it the same
// file) belong to the callers (src/admin); these functions only refuse.

#include "store/BankStore.h"

#include <functional>
#include <optional>
#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

namespace StoreErrorNumber {
// The disk is full (SQLITE_FULL): the number of TypeMismatch, with another text.
constexpr int DiskFull = 13;
} // namespace StoreErrorNumber

// True when `a` and `b` name the same existing file, however the paths are
// spelled (relative, "..", links): the same file identity (FileIdentity).
bool isSameFile(const QString& a, const QString& b);

// Copies the bank file `bank` to `target`, replacing a file of that name (an
// interrupted restore of `bank` is undone first). The
// copy is written to a temporary file beside `target` and renamed into place
// when it is whole, so a failure leaves `target` as it was and nothing half
// written; temporaries that killed copies left beside `target` or the bank
// are removed first (removeStaleTemporaries). With `durable`, the copy is on
// the disk (fsync) before it takes its place; otherwise it is as durable as
// a copy made with `cp`. Throws StoreError; a full disk is DiskFull, its
// text naming `target`.
void backupBankFile(const QString& bank, const QString& target, bool durable = false);

// What became of the bank when a restore failed.
enum class RestoreOutcome {
    BankUnchanged, // the failure came before anything of the bank was replaced
    PutBack,       // the bank was half replaced, and got back what it was from the safety copy
    LeftForUndo,   // putting it back failed too: the marker stays, the next open puts it back
};

// A restore that failed: the failure's number, its text closed by a
// sentence saying what became of the bank, and the same as values.
struct RestoreError : StoreError
{
    RestoreOutcome outcome = RestoreOutcome::BankUnchanged;
    QString safetyCopy; // where the bank as it was is kept (empty when none was made)

    RestoreError(const StoreError& failure, RestoreOutcome what, const QString& copy);
};

// Replaces the content of the bank file `bank` by that of `source`, in place,
// through the backup interface: connections the windows keep open on `bank`
// see the old content or the new one, never a mix, and the file keeps its
// place. First, under the bank's exclusive lock, the bank as it is is kept in
// `safetyCopy` (on the disk before anything is replaced). The pages are then
// copied without a rollback journal; while they are, a marker beside the bank
// (restoreMarkerPath) names the safety copy. The restored bank is brought up
// to date (what this version adds, the record of row identities, so that no
// row identity the bank had used before is given to a new question
// afterwards) before the marker goes. A failure on the way puts the safety
// copy back at once; a restore cut off by a crash or a power cut is undone
// the next time the bank is opened (undoInterruptedRestore).
//
// A bank that is missing, or that SQLite cannot read as a database at all
// (a damaged first page), is replaced as a file: it is kept in `safetyCopy`
// byte for byte (when there is one), and the source, brought up to date in a
// temporary file beside it, is renamed into its place. Returns false when
// there was no bank, so no safety copy was made.
//
// `source` must be a sound bank file other than `bank` (the caller checks
// it). Throws RestoreError, which says what became of the bank.
bool restoreBankFile(const QString& source, const QString& bank, const QString& safetyCopy);

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

// Copies of whole files are written to a hidden temporary beside the target,
// .<name>.XXXXXX.part, and renamed into place when whole. A copy killed on
// the way leaves its temporary, as large as the bank. Removes those in
// `folder` whose <name> matches `finalName` (anchored) and that no process
// is writing; returns how many went.
int removeStaleTemporaries(const QString& folder, const QRegularExpression& finalName);

// What a merge appended to the target bank.
struct QuestionMerge
{
    qint64 appended = 0;
    QString firstNumber; // empty when nothing was appended
    QString lastNumber;
    qint64 addedPaths = 0; // knowledge paths of the source the bank lacked
    qint64 addedTypes = 0; // question types of the source the bank lacked
};

// Called as a merge goes on with the questions appended so far and the total.
using MergeProgress = std::function<void(qint64 done, qint64 total)>;

// How many questions a merge appends per statement (and per progress report).
constexpr qint64 kMergeBatch = 1000;

// Appends every question of the bank file `source` to the bank file `bank`, in
// the source's stored order, as one transaction: all of them or none. The new
// rows get row identities above every one the bank has used, and question
// numbers following the number of the bank's last-appended question (1, 2, 3,
// ... in an empty bank). The knowledge paths (知识点表) and question types
// (题型表) of the source that the bank lacks, compared as the bank compares
// names (Latin letters without case), are added in the same transaction, in
// the source's order, so that the tree and the lists offer what the merged
// questions use. Throws StoreError: when a question number does not read as a number
// (TypeMismatch), when `source` is not a bank or is `bank` itself, and on any
// failure of the engine.
QuestionMerge appendQuestionsFrom(const QString& source, const QString& bank,
                                  const MergeProgress& progress = {});

// The whole number a merge continues from after `number`, the last-appended
// question's number: its value rounded to a whole number (halves to even, as
// the old conversion did). nullopt when it does not read as a number.
std::optional<qint64> mergeCounterFrom(const QString& number);
