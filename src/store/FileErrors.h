#pragma once

// Internal to src/store: the failures of whole-file work (copies, restores,
// merges) as the user reads them, each naming the file the user chose.

#include "store/StoreError.h"

#include <QString>
#include <QtGlobal>

class QFileDevice;

// The file `path` could not be written, for the reason `why`.
StoreError cannotWrite(const QString& path, const QString& why);

// Writing `file`, the copy that is to become `shownAs`, failed with about
// `remaining` bytes still to write. Qt's text for a full disk is often only
// "Unknown error", and the file written is a hidden temporary: the message
// names the file the user chose, and says when the disk is full (DiskFull).
StoreError writeFailure(const QString& shownAs, const QFileDevice& file, qint64 remaining);

// `path` is the bank itself, which an operation on another file was given.
StoreError sameFileError(const QString& path);
