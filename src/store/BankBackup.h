#pragma once

// Whole bank files: copies and restores. They go through SQLite's own
// interfaces, never through a plain file copy of a bank in use: a copy reads
// one committed state under SQLite's lock, even while windows keep results
// open on the file, and a restore copies pages through the backup interface,
// keeping the row identities of 数学题库 exactly (VACUUM INTO would renumber
// them, and a window's kept result would then show other questions). Checks
// that need words for the user (is it a bank, is it the same file) belong to
// the callers (src/admin); these functions only refuse.

#include "store/PlatformFiles.h"
#include "store/StoreError.h"

#include <optional>
#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

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
