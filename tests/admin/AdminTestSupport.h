#pragma once
// Banks and files for the administration tests: other bank files beside the
// program's, their whole content as text, their bytes, and damage done on
// purpose.
#include "common/TestBank.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

// A plain SQLite connection, as another program would open the file.
class RawConnection
{
public:
    explicit RawConnection(const QString& path)
    {
        static int counter = 0;
        name_ = u"raw-%1"_s.arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name_);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
    }
    ~RawConnection()
    {
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    QSqlQuery exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(name_));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q;
    }
    // Every row of `sql`, its values joined, one string a row.
    QStringList rows(const QString& sql)
    {
        QSqlQuery q = exec(sql);
        QStringList out;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << (q.isNull(i) ? u"NULL"_s : q.value(i).toString());
            out << values.join(u'|');
        }
        return out;
    }
    qint64 integer(const QString& sql)
    {
        QSqlQuery q = exec(sql);
        return q.next() ? q.value(0).toLongLong() : -1;
    }

private:
    QString name_;
};

// Everything a bank holds, rows with their identities, and its schema: two
// banks with the same dump hold the same.
inline QStringList dump(const QString& path)
{
    RawConnection c(path);
    QStringList out = c.rows(u"SELECT type, name, sql FROM sqlite_master ORDER BY type, name"_s);
    out << c.rows(u"PRAGMA application_id"_s);
    for (const QString& table : {u"数学题库"_s, u"知识点表"_s, u"题型表"_s, u"登录表"_s})
        out << c.rows(u"SELECT rowid, * FROM \"%1\" ORDER BY rowid"_s.arg(table));
    out << c.rows(u"SELECT * FROM \"数学题库_行号\""_s);
    return out;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline QByteArray fingerprint(const QString& path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256);
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A new bank file at `path` holding `questions` (number, content), appended in this order.
inline void makeBank(const QString& path, const QList<TestQuestion>& questions = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    createBankFile(path);
    BankStore store = BankStore::openExternalBank(path);
    store.inTransaction([&] {
        for (const TestQuestion& q : questions)
            store.appendQuestion(q.record());
    });
}

// Questions numbered as given, their contents telling them apart.
inline QList<TestQuestion> numbered(const QStringList& numbers, const QString& tag = u"q"_s)
{
    QList<TestQuestion> out;
    for (const QString& n : numbers) {
        TestQuestion q;
        q.number = n;
        q.content = "{\\rtf1\\ansi\\ansicpg936 " + (tag + u'-' + n).toUtf8() + "\\par}";
        out << q;
    }
    return out;
}

// The number and the content of every question of a bank, in stored order.
inline QStringList numbersAndContents(const QString& path)
{
    QStringList out;
    for (const QuestionRecord& q : BankStore::openExternalBank(path).questions())
        out << q.number + u' ' + QString::fromLatin1(q.content);
    return out;
}

inline QStringList numbersOf(const QString& path)
{
    QStringList out;
    for (const QuestionRecord& q : BankStore::openExternalBank(path).questions())
        out << q.number;
    return out;
}

// Damages the page of `path` that holds `marker` (the first time it occurs)
// by writing `bytes` at the start of that page. Returns false when the marker
// is not in the file.
inline bool damagePageHolding(const QString& path, const QByteArray& marker, const QByteArray& bytes)
{
    QByteArray data = fileBytes(path);
    const qsizetype at = data.indexOf(marker);
    if (at < 0 || data.size() < 100)
        return false;
    int pageSize = (quint8(data[16]) << 8) | quint8(data[17]);
    if (pageSize == 1)
        pageSize = 65536;
    const qsizetype page = at / pageSize * pageSize;
    data.replace(page, bytes.size(), bytes);
    writeFile(path, data);
    return true;
}

// Makes a file read-only for as long as it lives. An administrator (root)
// writes files without write permission, so for one the file is made
// immutable instead where the system allows it (chattr +i).
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path) : file_(path), permissions_(file_.permissions())
    {
        file_.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (writable() && QProcess::execute(u"chattr"_s, {u"+i"_s, path}) == 0)
            immutable_ = true;
    }
    ~ReadOnlyFile()
    {
        if (immutable_)
            QProcess::execute(u"chattr"_s, {u"-i"_s, file_.fileName()});
        file_.setPermissions(permissions_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isReadOnly() const { return !writable(); }

private:
    bool writable() const
    {
        QFile probe(file_.fileName());
        return probe.open(QIODevice::ReadWrite | QIODevice::Append);
    }

    QFile file_;
    QFileDevice::Permissions permissions_;
    bool immutable_ = false;
};

// Appends `count` questions with bodies of about `bodyBytes` bytes each
// (different in every question, so that no two pages are alike) to the bank
// at `path`: a bank of several megabytes in a second or two.
inline void appendLargeQuestions(const QString& path, int count, int bodyBytes, const QString& tag = u"big"_s)
{
    BankStore store = BankStore::openExternalBank(path);
    QRandomGenerator random(quint32(qHash(tag)));
    store.inTransaction([&] {
        for (int i = 1; i <= count; ++i) {
            TestQuestion q;
            q.number = QString::number(i);
            QByteArray body(bodyBytes, Qt::Uninitialized);
            for (char& c : body)
                c = char('a' + random.bounded(26));
            q.content = "{\\rtf1\\ansi " + (tag + u'-' + q.number).toUtf8() + ' ' + body + "}";
            store.appendQuestion(q.record());
        }
    });
}

// `bytes` random bytes written over the file `path` at `offset`, as a disk
// or a half-done write damages it.
inline void scribble(const QString& path, qint64 offset, qint64 bytes, quint32 seed = 3)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset))
        qFatal("cannot damage %s", qPrintable(path));
    QByteArray noise(bytes, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : noise)
        c = char(random.bounded(256));
    f.write(noise);
}

// A real file system of `kib` KiB on a fresh folder for as long as this
// lives, that a copy fills up as it would fill a USB stick: a tmpfs, which
// only root may mount (CI runs as root). isMounted() is false elsewhere.
class SmallDisk
{
public:
    explicit SmallDisk(qint64 kib)
    {
#if defined(Q_OS_LINUX)
        if (::geteuid() == 0 && dir_.isValid()) {
            mounted_ = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=%1k"_s.arg(kib),
                                                      u"tmpfs"_s, dir_.path()}) == 0;
        }
#else
        Q_UNUSED(kib);
#endif
    }
    ~SmallDisk()
    {
        if (mounted_)
            QProcess::execute(u"umount"_s, {dir_.path()});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const
    {
        return mounted_;
    }
    QString path(const QString& name) const
    {
        return dir_.filePath(name);
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// The hidden temporaries of copies in `folder` (.NAME.XXXXXX.part).
inline QStringList temporariesIn(const QString& folder)
{
    return QDir(folder).entryList({u".*.part"_s}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Leaves the bank `path` as a writer killed in the middle of a large
// transaction leaves it: pages of the transaction already in the file, and
// beside it the journal that takes them back (a hot journal).
inline void leaveHotJournal(const QString& path)
{
    QByteArray file;
    QByteArray journal;
    {
        RawConnection c(path);
        // A small cache: changed pages go into the file before the commit.
        c.exec(u"PRAGMA cache_size = 10"_s);
        c.exec(u"BEGIN"_s);
        c.exec(u"UPDATE \"数学题库\" SET \"内容\" = \"内容\" || 'changed'"_s);
        file = fileBytes(path);
        journal = fileBytes(path + u"-journal"_s);
        c.exec(u"ROLLBACK"_s);
    }
    if (journal.isEmpty() || file == fileBytes(path))
        qFatal("no transaction of %s reached the file", qPrintable(path));
    writeFile(path, file);
    writeFile(path + u"-journal"_s, journal);
}
