#include "store/BankBackup.h"

#include "store/BankConnection.h"
#include "store/BankSchema.h"
#include "store/DirectConnection.h"
#include "store/FileErrors.h"
#include "store/PlatformFiles.h"
#include "store/StoreSettings.h"

#include <filesystem>
#include <functional>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <sqlite3.h>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// An empty file beside `target` for a copy to be written into, marked as
// being written for as long as this object lives (so that another process
// does not take it for the leftover of a killed copy); the caller renames it
// into place or removes it.
class TemporaryBeside
{
public:
    explicit TemporaryBeside(const QString& target)
        : file_(QFileInfo(target).absolutePath() + u"/."_s + QFileInfo(target).fileName() + u".XXXXXX.part"_s)
    {
        if (!file_.open()) {
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"不能在文件夹“%1”中写入文件：%2"_s.arg(native(QFileInfo(target).absolutePath()),
                                                                     file_.errorString()));
        }
        file_.setAutoRemove(false);
        markBeingWritten(file_);
    }

    QString path() const { return file_.fileName(); }
    // Lets the file go before it is renamed where an open file cannot be.
    void release() { releaseBeforeRename(file_); }

private:
    QTemporaryFile file_;
};

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

// Puts `temporary` in the place of `target` in one step: `target` is either
// the old file or the whole new one, never something between.
void replaceFile(const QString& temporary, const QString& target)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(temporary), fsPath(target), ec);
    if (ec) {
        throw StoreError(
            StoreErrorNumber::CannotOpen,
            u"不能把文件写到“%1”：%2"_s.arg(native(target), QString::fromLocal8Bit(ec.message())));
    }
}

// The highest row identity of 数学题库 the bank has used: of a row it holds or
// of one deleted (as far as the bank records deletions).
qint64 highestUsedIdentity(DirectConnection& c)
{
    qint64 used = c.integer(u"SELECT max(rowid) FROM \"数学题库\""_s);
    if (c.integer(u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '数学题库_行号'"_s) >
        0)
        used = std::max(used, c.integer(u"SELECT max(\"已删除最大行号\") FROM \"数学题库_行号\""_s));
    return used;
}

// highestUsedIdentity() of the file `path`, as far as it can be read: a
// damaged bank kept aside gives what it still tells, or 0.
qint64 highestUsedIdentityOf(const QString& path)
{
    try {
        DirectConnection c(path, DirectConnection::Mode::ReadOnly);
        return highestUsedIdentity(c);
    } catch (const StoreError&) {
        return 0;
    }
}

} // namespace

int removeStaleTemporaries(const QString& folder, const QRegularExpression& finalName)
{
    // QTemporaryFile puts six letters in place of XXXXXX.
    static const QRegularExpression temporary(u"^\\.(.+)\\.[A-Za-z0-9]{6}\\.part$"_s);
    const QRegularExpression name(QRegularExpression::anchoredPattern(finalName.pattern()),
                                  finalName.patternOptions());
    int removed = 0;
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList found =
        QDir(folder).entryInfoList({u".*.part"_s}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : found) {
        const QRegularExpressionMatch m = temporary.match(file.fileName());
        if (!m.hasMatch() || !name.match(m.captured(1)).hasMatch())
            continue;
        // A copy that has only just begun is empty, and may not be marked yet.
        if (file.size() == 0 && file.lastModified().secsTo(now) < 60)
            continue;
        if (isBeingWritten(file.filePath()))
            continue;
        if (QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

namespace {

// Writes a new file `target` through `write` (which gets a temporary file
// beside it) and puts it in place when it is whole: a failure leaves `target`
// as it was and nothing half written. With `durable`, the file and its name
// are on the disk before this returns. The new file gets the permissions of
// `readableAs` (or of a file made by the user).
void writeInPlace(const QString& target, const QString& readableAs, bool durable,
                  const std::function<void(const QString& temporary)>& write)
{
    TemporaryBeside temporary(target);
    try {
        write(temporary.path());
        // A copy readable as the bank is: the temporary file was made private.
        const QFileDevice::Permissions as =
            QFileInfo::exists(readableAs)
                ? QFileInfo(readableAs).permissions()
                : QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QFile::setPermissions(temporary.path(), as | QFileDevice::WriteOwner);
        temporary.release();
        replaceFile(temporary.path(), target);
    } catch (...) {
        QFile::remove(temporary.path());
        throw;
    }
    if (durable && !syncFolder(QFileInfo(target).absolutePath()))
        throw cannotWrite(target, u"无法写入磁盘"_s);
}

// The safety copy named in a restore marker, or an empty string.
QString safetyCopyNamedIn(const QString& marker)
{
    QFile f(marker);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromUtf8(f.readLine()).trimmed();
    // Only a file beside the bank: the marker names nothing elsewhere.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u".."_s)
        return {};
    return QFileInfo(marker).absolutePath() + u'/' + name;
}

void removeMarker(const QString& marker)
{
    if (!QFile::remove(marker) && QFileInfo::exists(marker))
        throw cannotWrite(marker, u"无法删除恢复标记"_s);
    syncFolder(QFileInfo(marker).absolutePath());
}

// The names of the files a restore of `bank` writes beside it: the bank, its
// safety copies and its marker.
QRegularExpression restoreFamily(const QString& bank)
{
    const QFileInfo info(bank);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return QRegularExpression(QRegularExpression::escape(info.fileName()) + u'|' +
                              QRegularExpression::escape(info.completeBaseName() + u"-恢复前-"_s) + u".*"_s +
                              QRegularExpression::escape(suffix) + u'|' +
                              QRegularExpression::escape(QFileInfo(restoreMarkerPath(bank)).fileName()));
}

// Brings a bank just restored up to date: what this version adds, and the
// record of the row identities the bank it replaced had used. Without a
// rollback journal on `c` a failure leaves this half done: the caller then
// puts the bank back.
void bringUpToDate(DirectConnection& c, qint64 usedBefore)
{
    c.exec("BEGIN");
    for (const QString& statement : bankUpgradeStatements())
        c.run(statement);
    c.run(u"UPDATE \"数学题库_行号\" SET \"已删除最大行号\" = max(\"已删除最大行号\", ?)"_s, {usedBefore});
    c.exec("COMMIT");
}

// A failure before the first page of the bank was replaced, from SQLite's
// reading of the bank as a database: the bank is then replaced as a file.
struct UnreadableBank
{
    StoreError error;
};

// The restore in place (restoreBankFile). Throws RestoreError, or
// UnreadableBank while nothing has changed.
void restoreInPlace(const QString& source, const QString& bank, const QString& safetyCopy)
{
    const QString marker = restoreMarkerPath(bank);
    const auto unchanged = [&](const StoreError& e) {
        return RestoreError(e, RestoreOutcome::BankUnchanged, {});
    };
    const auto unreadable = [](int rc) {
        const int primary = rc & 0xff;
        return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
    };

    std::optional<DirectConnection> from;
    std::optional<DirectConnection> live;
    try {
        from.emplace(source, DirectConnection::Mode::ReadOnly);
        from->exec(kMapWholeFile);
        live.emplace(bank, DirectConnection::Mode::ReadWrite);
        live->exec(kMapWholeFile);
    } catch (const StoreError& e) {
        throw unchanged(e);
    }
    // No rollback journal: it would hold every page of the bank as it
    // was, which the safety copy holds already; writing both took three
    // times as long as copying the file. A restore cut off on the way
    // is undone from the safety copy instead, named by the marker (at
    // once when the copy fails, else when the bank is next opened).
    // The exclusive lock is taken before the safety copy is made and
    // kept until the marker is gone, so the copy is of the very state
    // replaced, and no other connection reads the bank in between.
    const int journal = sqlite3_exec(live->handle(), "PRAGMA journal_mode = OFF", nullptr, nullptr, nullptr);
    if (journal != SQLITE_OK) {
        if (unreadable(journal))
            throw UnreadableBank{live->error(journal)};
        throw unchanged(live->error(journal));
    }
    if (live->text("PRAGMA journal_mode").compare(u"off"_s, Qt::CaseInsensitive) != 0)
        throw unchanged(engineError(SQLITE_ERROR, bank, u"journal_mode"_s));
    live->exec("PRAGMA locking_mode = EXCLUSIVE");
    sqlite3_backup* backup = sqlite3_backup_init(live->handle(), "main", from->handle(), "main");
    if (!backup)
        throw unchanged(live->error(sqlite3_errcode(live->handle())));
    const auto finish = [&] {
        if (backup)
            sqlite3_backup_finish(backup);
        backup = nullptr;
    };

    // Takes the bank's exclusive lock before a page is copied. The source
    // was found whole just before, so a file SQLite cannot read here is the
    // bank.
    if (const int rc = sqlite3_backup_step(backup, 0); rc != SQLITE_OK && rc != SQLITE_DONE) {
        finish();
        const StoreError e = engineError(rc, bank, QString::fromUtf8(sqlite3_errstr(rc)));
        if (unreadable(rc))
            throw UnreadableBank{e};
        throw unchanged(e);
    }
    try {
        // The bank as it is under that lock: the very state the copy replaces.
        writeInPlace(safetyCopy, bank, true,
                     [&](const QString& temporary) { writeBytesOf(*live, temporary, safetyCopy, true); });
        writeInPlace(marker, bank, true, [&](const QString& temporary) {
            QFile f(temporary);
            const QByteArray line = QFileInfo(safetyCopy).fileName().toUtf8() + '\n';
            if (!f.open(QIODevice::WriteOnly) || f.write(line) != line.size() || !f.flush() || !syncToDisk(f))
                throw writeFailure(marker, f, line.size());
        });
    } catch (const StoreError& e) {
        finish();
        // A marker in place (only its folder could not be synced) would
        // have the next open "undo" a restore that never began.
        QFile::remove(marker);
        throw unchanged(e);
    }

    // From here on the bank is being replaced: a failure puts it back.
    try {
        // A failure reading the source belongs to the source, any other to the bank.
        if (const int rc = sqlite3_backup_step(backup, -1); rc != SQLITE_DONE) {
            const int primary = rc & 0xff;
            throw engineError(rc, primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ? source : bank,
                              QString::fromUtf8(sqlite3_errstr(rc)));
        }
        finish();
        bringUpToDate(*live, highestUsedIdentityOf(safetyCopy));
        sqlite3_file* file = live->file();
        if (const int synced = file->pMethods->xSync(file, SQLITE_SYNC_FULL); synced != SQLITE_OK)
            throw live->fileError(synced);
        // A journal left beside the bank belongs to no content it now has:
        // the next open would play it back over the restored pages.
        QFile::remove(bank + u"-journal"_s);
        removeMarker(marker);
    } catch (const StoreError& e) {
        finish();
        // The bank may be half replaced: it gets back what it was, still
        // under the exclusive lock. Should that fail too, the marker stays
        // and the next open tries again.
        try {
            ExclusiveLock lock(*live);
            putBytesInto(*live, safetyCopy);
            removeMarker(marker);
        } catch (const StoreError&) {
            throw RestoreError(e, RestoreOutcome::LeftForUndo, safetyCopy);
        }
        throw RestoreError(e, RestoreOutcome::PutBack, safetyCopy);
    }
}

// The restore of a bank that is missing or cannot be read as a database
// (restoreBankFile): the file as it is goes to `safetyCopy`, byte for byte,
// and the source, brought up to date in a temporary file beside the bank,
// takes its place in one rename. Throws RestoreError (the bank unchanged).
void replaceBankFile(const QString& source, const QString& bank, const QString& safetyCopy)
{
    try {
        if (!safetyCopy.isEmpty()) {
            writeInPlace(safetyCopy, bank, true,
                         [&](const QString& temporary) { copyPlainFile(bank, temporary, safetyCopy); });
        }
        const qint64 usedBefore = safetyCopy.isEmpty() ? 0 : highestUsedIdentityOf(safetyCopy);
        // Not durable through writeInPlace: once the new bank is in its place, a
        // failure to sync the folder must not read as "nothing changed". The
        // file itself is on the disk before the rename.
        writeInPlace(bank, source, false, [&](const QString& temporary) {
            {
                DirectConnection from(source, DirectConnection::Mode::ReadOnly);
                from.exec(kMapWholeFile);
                copyFileBytes(from, temporary, bank, false);
            }
            {
                // A file nobody else knows yet: no journal needed.
                DirectConnection copy(temporary, DirectConnection::Mode::ReadWrite);
                copy.exec("PRAGMA journal_mode = OFF");
                bringUpToDate(copy, usedBefore);
            }
            QFile written(temporary);
            if (!written.open(QIODevice::ReadWrite) || !syncToDisk(written))
                throw writeFailure(bank, written, 0);
            // The journal of the file replaced would be played back over the new one.
            QFile::remove(bank + u"-journal"_s);
        });
        syncFolder(QFileInfo(bank).absolutePath());
    } catch (const RestoreError&) {
        throw;
    } catch (const StoreError& e) {
        throw RestoreError(e, RestoreOutcome::BankUnchanged, {});
    }
}

} // namespace

RestoreError::RestoreError(const StoreError& failure, RestoreOutcome what, const QString& copy)
    : StoreError(failure), outcome(what), safetyCopy(copy)
{
    switch (what) {
    case RestoreOutcome::BankUnchanged:
        text += u"\n题库没有任何改动。"_s;
        break;
    case RestoreOutcome::PutBack:
        text += u"\n恢复没有完成，题库已经用恢复前的安全副本“%1”还原为恢复前的样子。"_s.arg(native(copy));
        break;
    case RestoreOutcome::LeftForUndo:
        text += u"\n恢复没有完成，题库可能只恢复了一部分。恢复前的安全副本保存在“%1”，"
                u"下次打开题库时程序会自动用它还原题库。"_s.arg(native(copy));
        break;
    }
}

void backupBankFile(const QString& bank, const QString& target, bool durable)
{
    if (isSameFile(bank, target))
        throw sameFileError(target);
    undoInterruptedRestore(bank);
    // What copies killed before left beside the target and the bank.
    removeStaleTemporaries(QFileInfo(target).absolutePath(),
                           QRegularExpression(QRegularExpression::escape(QFileInfo(target).fileName())));
    removeStaleTemporaries(QFileInfo(bank).absolutePath(), restoreFamily(bank));
    DirectConnection source(bank, DirectConnection::Mode::ReadOnly);
    source.exec(kMapWholeFile);
    // Written through to the disk only when asked: a copy is as durable as
    // one made by `cp` unless something relies on it.
    writeInPlace(target, bank, durable,
                 [&](const QString& temporary) { copyFileBytes(source, temporary, target, durable); });
}

QString restoreMarkerPath(const QString& bank)
{
    const QFileInfo info(bank);
    return info.absolutePath() + u'/' + info.completeBaseName() + u"-恢复中.txt"_s;
}

bool restoreBankFile(const QString& source, const QString& bank, const QString& safetyCopy)
{
    if (isSameFile(source, bank))
        throw RestoreError(sameFileError(source), RestoreOutcome::BankUnchanged, {});
    removeStaleTemporaries(QFileInfo(bank).absolutePath(), restoreFamily(bank));
    // A restore that was cut off before is undone first: the bank it left
    // is no state worth keeping a copy of. Without a safety copy to undo it
    // from, this restore goes ahead: it replaces all of it anyway.
    try {
        undoInterruptedRestore(bank);
    } catch (const StoreError& e) {
        if (e.number != StoreErrorNumber::NotABank)
            throw RestoreError(e, RestoreOutcome::BankUnchanged, {});
    }
    if (!QFileInfo(bank).isFile()) {
        if (QFileInfo::exists(bank)) {
            throw RestoreError(StoreError(StoreErrorNumber::CannotOpen,
                                          u"“%1”不是一个文件，不能把题库恢复到那里。"_s.arg(native(bank))),
                               RestoreOutcome::BankUnchanged, {});
        }
        replaceBankFile(source, bank, {});
        return false;
    }
    // What a writer killed on the way left half done is rolled back first:
    // the copy below runs without a journal, so SQLite would not do it then.
    rollBackCrashedWrite(bank);
    try {
        restoreInPlace(source, bank, safetyCopy);
    } catch (const UnreadableBank&) {
        // Not a database SQLite can write into page by page: replaced as a
        // file, kept aside as it is.
        replaceBankFile(source, bank, safetyCopy);
    }
    return true;
}

std::optional<QString> undoInterruptedRestore(const QString& bank)
{
    const QString marker = restoreMarkerPath(bank);
    if (!QFileInfo::exists(marker) || !QFileInfo(bank).isFile())
        return std::nullopt;
    DirectConnection live(bank, DirectConnection::Mode::ReadWrite);
    // A restore still under way holds this lock until its marker is gone.
    ExclusiveLock lock(live);
    if (!QFileInfo::exists(marker))
        return std::nullopt;
    const QString copy = safetyCopyNamedIn(marker);
    QString why = u"恢复标记“%1”没有写明安全副本"_s.arg(native(marker));
    if (!copy.isEmpty() && isBankFile(copy, &why))
        why.clear();
    if (!why.isEmpty()) {
        throw StoreError(StoreErrorNumber::NotABank,
                         u"题库文件“%1”上一次恢复时中断了，可能已经损坏，而它恢复前的安全副本不能使用（%2）。"
                         u"请用一份备份恢复题库。"_s.arg(native(bank), why));
    }
    putBytesInto(live, copy);
    // A journal beside the bank belongs to no content it now has.
    QFile::remove(bank + u"-journal"_s);
    removeMarker(marker);
    noticeBank(u"题库文件“%1”上一次恢复时中断了。已经用恢复前的安全副本“%2”把题库还原为恢复前的样子。"_s.arg(
        native(bank), native(copy)));
    return copy;
}
