#include "store/BankLocation.h"

#include "BuildInfo.h"
#include "store/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

const QString kBankInData = u"/DATA/TiKu.mdb"_s;

// Whether this user can make files in `dir`: tried, not read from the
// permission bits, which say nothing of ACLs (Windows' Program Files) or of
// a file system mounted read-only.
bool canWriteInto(const QString& dir)
{
    QTemporaryFile probe(dir + u"/.tiku-write-test-XXXXXX"_s);
    return probe.open();
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

BankLocation chooseBankLocation(const QString& given, const QString& programDir, const QString& userDataDir)
{
    if (!given.isEmpty())
        return {BankLocation::Place::Given, QFileInfo(given).absoluteFilePath(), QString()};

    const QString beside = programDir + kBankInData;
    const QString installedTemplate = QDir::cleanPath(programDir + u"/../share/"_s +
                                                      QString::fromUtf16(BuildInfo::kAppId) + u"/TiKu.mdb"_s);
    const QFileInfo dataFolder(programDir + u"/DATA"_s);
    if (dataFolder.isDir() ? canWriteInto(dataFolder.filePath()) : !QFileInfo::exists(installedTemplate))
        return {BankLocation::Place::BesideProgram, beside, QString()};

    const QString source = QFileInfo::exists(installedTemplate) ? installedTemplate
                           : QFileInfo::exists(beside)          ? beside
                                                                : QString();
    return {BankLocation::Place::UserData, userDataDir + kBankInData, source};
}

QString userDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' +
           QString::fromUtf16(BuildInfo::kAppId);
}

QString provideBank(const BankLocation& location)
{
    if (location.place != BankLocation::Place::UserData || location.templateFile.isEmpty() ||
        QFileInfo::exists(location.bank))
        return QString();
    const QString failed = u"无法在“%1”建立题库：%2"_s;
    const QString folder = QFileInfo(location.bank).absolutePath();
    if (!QDir().mkpath(folder))
        return failed.arg(native(location.bank), u"不能建立文件夹“%1”。"_s.arg(native(folder)));

    QFile source(location.templateFile);
    if (!source.open(QIODevice::ReadOnly))
        return failed.arg(native(location.bank), u"不能读取题库模板“%1”（%2）。"_s.arg(
                                                     native(location.templateFile), source.errorString()));
    // QSaveFile writes a temporary beside the bank and renames it into place
    // on commit: a full disk or a crash leaves no half-made bank behind.
    QSaveFile bank(location.bank);
    if (!bank.open(QIODevice::WriteOnly))
        return failed.arg(native(location.bank), bank.errorString());
    constexpr qint64 kChunk = 1 << 16;
    bool whole = true;
    while (whole && !source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        if (chunk.isEmpty()) {
            if (source.error() == QFileDevice::NoError)
                break;
            bank.cancelWriting();
            return failed.arg(
                native(location.bank),
                u"不能读取题库模板“%1”（%2）。"_s.arg(native(location.templateFile), source.errorString()));
        }
        // A write cut short by the file system (a full disk, a size limit)
        // returns the bytes it wrote and sets no error: only the count says
        // that the copy is not whole, and commit() would give it the bank's name.
        whole = bank.write(chunk) == chunk.size();
    }
    if (!whole || bank.error() != QFileDevice::NoError || !bank.commit()) {
        const QString reason =
            bank.error() != QFileDevice::NoError || whole ? bank.errorString() : u"只写入了一部分"_s;
        bank.cancelWriting();
        if (QStorageInfo(folder).bytesAvailable() < source.size())
            return failed.arg(native(location.bank), u"磁盘已满。"_s);
        return failed.arg(native(location.bank), u"写入失败（%1）。"_s.arg(reason));
    }
    // The bank is the user's own, whatever the template's mode was.
    QFile::setPermissions(location.bank, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadUser | QFileDevice::WriteUser);
    return QString();
}
