#include "store/BankConnection.h"

#include "store/BankFiles.h"
#include "store/BankSchema.h"
#include "store/FileIdentity.h"

#include <atomic>
#include <cstdio>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::atomic<int> busyTimeoutMs{5000};
std::atomic<quint64> connectionCounter{0};
std::atomic<int> fullChecks{0};

// SQLite's primary result codes that get a text of their own.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

} // namespace

// SQLite's URI form, so that mode=rw/ro can forbid creating the file. The path
// is absolute; '%', '?' and '#' would otherwise be read as URI syntax.
QString sqliteUri(const QString& path, const char* mode)
{
    QString p = QDir::fromNativeSeparators(QFileInfo(path).absoluteFilePath());
    p.replace(u'%', u"%25"_s).replace(u'?', u"%3f"_s).replace(u'#', u"%23"_s);
    if (!p.startsWith(u'/'))
        p.prepend(u'/'); // C:/x -> file:///C:/x
    return u"file://"_s + p + u"?mode="_s + QString::fromLatin1(mode);
}

void rollBackCrashedWrite(const QString& path)
{
    if (!QFileInfo::exists(path + u"-journal"_s) || !QFileInfo(path).isFile())
        return;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(sqliteUri(path, "rw").toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, bankBusyTimeoutMs());
        // The first read rolls a hot journal back under the exclusive lock;
        // a journal another connection is still writing is no hot one.
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
}

namespace {

QString describe(int code, const QString& path)
{
    const QString file = QDir::toNativeSeparators(path);
    switch (code) {
    case kSqliteBusy:
    case kSqliteLocked:
        return u"题库文件“%1”正被另一个连接或程序使用（已锁定），请稍后再试。"_s.arg(file);
    case kSqliteReadOnly:
        return u"题库文件“%1”是只读的，不能写入。"_s.arg(file);
    case kSqliteIoErr:
        return u"读写题库文件“%1”时发生输入输出错误。"_s.arg(file);
    case kSqliteCorrupt:
        return u"题库文件“%1”已损坏。"_s.arg(file);
    case kSqliteFull:
        return u"磁盘已满，不能写入题库文件“%1”。"_s.arg(file);
    case kSqliteCantOpen:
        return u"无法打开题库文件“%1”。"_s.arg(file);
    case kSqliteNotADb:
        return u"文件“%1”不是题库文件（不是数据库文件）。"_s.arg(file);
    default:
        return u"访问题库文件“%1”时出错。"_s.arg(file);
    }
}

// The files found to be banks in this process, with the state they were in.
struct CheckedBanks
{
    QMutex mutex;
    QHash<QString, FileIdentity> files;
};

CheckedBanks& checkedBanks()
{
    static CheckedBanks banks;
    return banks;
}

QString checkKey(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

void forgetCheckedBanks()
{
    CheckedBanks& banks = checkedBanks();
    QMutexLocker lock(&banks.mutex);
    banks.files.clear();
}

int fullBankChecks()
{
    return fullChecks.load();
}

int bankBusyTimeoutMs()
{
    return busyTimeoutMs.load();
}

void setBankBusyTimeout(int ms)
{
    busyTimeoutMs.store(ms < 0 ? 0 : ms);
}

namespace {

struct NoticeHandler
{
    QMutex mutex;
    std::function<void(const QString&)> handler;
};

NoticeHandler& noticeHandler()
{
    static NoticeHandler h;
    return h;
}

} // namespace

void setBankNoticeHandler(std::function<void(const QString& text)> handler)
{
    NoticeHandler& h = noticeHandler();
    QMutexLocker lock(&h.mutex);
    h.handler = std::move(handler);
}

void noticeBank(const QString& text)
{
    std::function<void(const QString&)> handler;
    {
        NoticeHandler& h = noticeHandler();
        QMutexLocker lock(&h.mutex);
        handler = h.handler;
    }
    if (handler)
        handler(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(u'"', u"\"\""_s);
    return u'"' + n + u'"';
}

QString whereClause(const QString& where)
{
    return where.trimmed().isEmpty() ? QString() : u" WHERE "_s + where;
}

BankConnection::BankConnection(const QString& path, Mode mode)
    : path_(path), name_(u"tiku-bank-%1"_s.arg(++connectionCounter))
{
    const QFileInfo info(path);
    if (mode == Mode::Create ? info.exists() : !info.isFile()) {
        const QString file = QDir::toNativeSeparators(path);
        if (mode == Mode::Create)
            throw StoreError(StoreErrorNumber::CannotOpen,
                             u"文件“%1”已经存在，不能在那里新建题库。"_s.arg(file));
        throw StoreError(StoreErrorNumber::CannotOpen, u"找不到题库文件“%1”。"_s.arg(file));
    }

    if (mode == Mode::ReadOnly)
        rollBackCrashedWrite(path);
    db_ = QSqlDatabase::addDatabase(u"QSQLITE"_s, name_);
    const char* uriMode = mode == Mode::ReadOnly ? "ro" : mode == Mode::ReadWrite ? "rw" : "rwc";
    db_.setDatabaseName(sqliteUri(path, uriMode));
    QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(bankBusyTimeoutMs());
    if (mode == Mode::ReadOnly)
        options += u";QSQLITE_OPEN_READONLY"_s;
    db_.setConnectOptions(options);
    if (!db_.open()) {
        const StoreError e = error(db_.lastError());
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw e;
    }
}

BankConnection::~BankConnection()
{
    cached_.clear();
    db_.close();
    if (checked_ && wrote_) {
        // Our own writes changed the file's time and size, not what it is.
        // Another file put in its place meanwhile has another inode and is
        // checked again on the next open.
        const FileIdentity now = FileIdentity::of(path_);
        if (now.isValid() && now.inode == checkedInode_) {
            CheckedBanks& banks = checkedBanks();
            QMutexLocker lock(&banks.mutex);
            banks.files.insert(checkKey(path_), now);
        }
    }
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

StoreError engineError(int code, const QString& path, const QString& engineText)
{
    code &= 0xff; // the primary code of an extended one
    QString text = describe(code, path);
    if (!engineText.isEmpty())
        text += u"\n（数据库引擎：%1）"_s.arg(engineText);
    return StoreError(code, text);
}

StoreError BankConnection::error(const QSqlError& e) const
{
    bool ok = false;
    int code = e.nativeErrorCode().toInt(&ok);
    if (!ok)
        code = 1; // SQLITE_ERROR: a generic failure without a code
    return engineError(code, path_, e.databaseText().isEmpty() ? e.driverText() : e.databaseText());
}

QSqlQuery BankConnection::prepare(const QString& sql)
{
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw error(q.lastError());
    return q;
}

void BankConnection::run(QSqlQuery& query, const QVariantList& params)
{
    for (qsizetype i = 0; i < params.size(); ++i)
        query.bindValue(int(i), params.at(i));
    if (!query.exec()) {
        const StoreError e = error(query.lastError());
        query.finish();
        throw e;
    }
}

QSqlQuery& BankConnection::execCached(const QString& sql, const QVariantList& params)
{
    auto it = cached_.find(sql);
    if (it == cached_.end())
        it = cached_.insert(sql, prepare(sql));
    it->finish();
    run(*it, params);
    return *it;
}

QSqlQuery BankConnection::exec(const QString& sql, const QVariantList& params)
{
    QSqlQuery q = prepare(sql);
    run(q, params);
    return q;
}

namespace {

// A statement run on the engine's handle itself, for reads of many rows: the
// driver's own rows turn every value into UTF-16 and a QVariant first.
class RawStatement
{
public:
    RawStatement(sqlite3* db, const QString& sql, const QVariantList& params,
                 const std::function<StoreError(int)>& error)
        : db_(db), error_(error)
    {
        const QByteArray text = sql.toUtf8();
        if (const int rc = sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &st_, nullptr);
            rc != SQLITE_OK)
            throw error_(rc);
        for (int i = 0; i < int(params.size()); ++i)
            bind(i + 1, params.at(i));
    }
    ~RawStatement() { sqlite3_finalize(st_); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    // True with a row to read, false at the end. Throws StoreError.
    bool step()
    {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw error_(rc);
        return false;
    }
    QUtf8StringView text(int column) const
    {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
        return QUtf8StringView(data, data ? sqlite3_column_bytes(st_, column) : 0);
    }
    qint64 integer(int column) const { return sqlite3_column_int64(st_, column); }

private:
    void bind(int index, const QVariant& value)
    {
        int rc = SQLITE_OK;
        switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(st_, index);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(st_, index, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(st_, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(st_, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text64(st_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        }
        if (rc != SQLITE_OK)
            throw error_(rc);
    }

    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    std::function<StoreError(int)> error_;
};

} // namespace

sqlite3* BankConnection::handle() const
{
    const QVariant h = db_.driver()->handle();
    if (qstrcmp(h.typeName(), "sqlite3*") != 0)
        throw StoreError(1, describe(1, path_));
    return *static_cast<sqlite3* const*>(h.constData());
}

StoreError BankConnection::rawError(sqlite3* db, int code) const
{
    return engineError(code, path_, QString::fromUtf8(sqlite3_errmsg(db)));
}

void BankConnection::forEachTextRow(const QString& sql, int columns,
                                    const std::function<void(const QUtf8StringView* texts)>& row)
{
    sqlite3* db = handle();
    RawStatement st(db, sql, {}, [&](int code) { return rawError(db, code); });
    std::vector<QUtf8StringView> texts(std::size_t(std::max(columns, 0)));
    while (st.step()) {
        for (int c = 0; c < columns; ++c)
            texts[std::size_t(c)] = st.text(c);
        row(texts.data());
    }
}

std::vector<qint64> BankConnection::integers(const QString& sql, const QVariantList& params)
{
    sqlite3* db = handle();
    RawStatement st(db, sql, params, [&](int code) { return rawError(db, code); });
    std::vector<qint64> out;
    while (st.step())
        out.push_back(st.integer(0));
    return out;
}

int BankConnection::applicationId()
{
    QSqlQuery q = exec(u"PRAGMA application_id"_s);
    return q.next() ? q.value(0).toInt() : 0;
}

const QStringList& BankConnection::columns(const QString& table)
{
    auto it = columns_.find(table);
    if (it == columns_.end()) {
        QSqlQuery q = exec(u"SELECT name FROM pragma_table_info(?) ORDER BY cid"_s, {table});
        QStringList names;
        while (q.next())
            names << q.value(0).toString();
        it = columns_.insert(table, names);
    }
    return *it;
}

QString BankConnection::bankMismatch()
{
    if (applicationId() != kBankApplicationId)
        return u"缺少题库文件的标记"_s;
    for (const auto& [table, expected] : bankTableColumns()) {
        const QStringList& actual = columns(table);
        if (actual.isEmpty())
            return u"缺少表“%1”"_s.arg(table);
        // A view of the same name and columns would read as the table, and
        // a recursive one never ends.
        QSqlQuery kind = exec(u"SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"_s, {table});
        if (!kind.next() || kind.value(0).toString() != u"table"_s)
            return u"“%1”不是表，而是视图或别的对象"_s.arg(table);
        if (actual != expected)
            return u"表“%1”的列应为“%2”，实为“%3”"_s.arg(table, expected.join(u'、'), actual.join(u'、'));
    }
    return {};
}

void BankConnection::ensureBank()
{
    // A restore cut off half way left the bank to be put back first. Looked
    // for on every open, not only when the file changed: a restore cut off
    // before its first page leaves the bank as it was, and a marker left
    // behind would later take back what was written after it.
    undoInterruptedRestore(path_);
    const QString key = checkKey(path_);
    const FileIdentity before = FileIdentity::of(path_);
    {
        CheckedBanks& banks = checkedBanks();
        QMutexLocker lock(&banks.mutex);
        const auto it = banks.files.constFind(key);
        if (before.isValid() && it != banks.files.cend() && *it == before) {
            checked_ = true;
            checkedInode_ = before.inode;
            return;
        }
    }
    ++fullChecks;
    const QString mismatch = bankMismatch();
    if (!mismatch.isEmpty()) {
        throw StoreError(StoreErrorNumber::NotABank,
                         u"文件“%1”不是题库文件：%2。"_s.arg(QDir::toNativeSeparators(path_), mismatch));
    }
    if (!bankIsCurrent(*this))
        upgradeBank(*this);
    const FileIdentity after = FileIdentity::of(path_);
    if (after.isValid()) {
        CheckedBanks& banks = checkedBanks();
        QMutexLocker lock(&banks.mutex);
        banks.files.insert(key, after);
    }
    checked_ = true;
    checkedInode_ = after.inode;
}

void BankConnection::begin()
{
    if (!db_.transaction())
        throw error(db_.lastError());
}

void BankConnection::commit()
{
    if (!db_.commit()) {
        // Qt's driver keeps the engine's message of a failed COMMIT but not
        // its number (a full disk, a lock held by a reader), which the
        // message to the teacher is made from.
        sqlite3* db = handle();
        throw rawError(db, sqlite3_extended_errcode(db));
    }
}

void BankConnection::rollback()
{
    db_.rollback();
}

void BankConnection::transaction(const std::function<void()>& work)
{
    begin();
    try {
        work();
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}
