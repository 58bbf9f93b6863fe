#include "admin/AutomaticBackup.h"

#include "store/BankFiles.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace AutomaticBackup {

namespace {

constexpr auto kDamaged = u"-损坏";

// The names of the backups of one bank: <stem>-yyyyMMdd-HHmmss<suffix>, and
// <stem>-yyyyMMdd-HHmmss-损坏<suffix> for a copy found damaged. Names in time
// order sort in name order.
struct Names
{
    QString stem;
    QString suffix;
    QRegularExpression good;
    QRegularExpression damaged;
    QRegularExpression any; // either, unanchored

    explicit Names(const QString& bank)
    {
        const QFileInfo info(bank);
        stem = info.completeBaseName();
        suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
        const QString head = u"^"_s + QRegularExpression::escape(stem) + u"-(\\d{8})-(\\d{6})"_s;
        good = QRegularExpression(head + QRegularExpression::escape(suffix) + u'$');
        any = QRegularExpression(QRegularExpression::escape(stem) + u"-\\d{8}-\\d{6}(?:"_s +
                                 QRegularExpression::escape(QString::fromUtf16(kDamaged)) + u")?"_s +
                                 QRegularExpression::escape(suffix));
        damaged = QRegularExpression(
            head + QRegularExpression::escape(QString::fromUtf16(kDamaged) + suffix) + u'$');
    }

    // The names in `folder` that `pattern` matches, oldest first.
    static QStringList in(const QDir& folder, const QRegularExpression& pattern)
    {
        QStringList names;
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            if (pattern.match(name).hasMatch())
                names << name;
        }
        return names;
    }
};

} // namespace

QString folderFor(const QString& bank)
{
    return QFileInfo(bank).absolutePath() + u"/备份"_s;
}

Result run(const QString& bank, const QDateTime& now, int keep)
{
    Result result;
    const Names names(bank);
    QDir folder(folderFor(bank));
    if (!folder.exists() && !folder.mkpath(u"."_s)) {
        throw StoreError(StoreErrorNumber::CannotOpen,
                         u"不能建立备份文件夹“%1”。"_s.arg(QDir::toNativeSeparators(folder.path())));
    }
    // What copies killed on the way (the program's end cut short) left.
    removeStaleTemporaries(folder.path(), names.any);

    const QString today = now.toString(u"yyyyMMdd"_s);
    bool madeToday = false;
    for (const QRegularExpression* pattern : {&names.good, &names.damaged}) {
        for (const QString& name : Names::in(folder, *pattern)) {
            if (pattern->match(name).captured(1) == today)
                madeToday = true;
        }
    }
    if (!madeToday) {
        const QString stamp = names.stem + u'-' + now.toString(u"yyyyMMdd-HHmmss"_s);
        result.made = folder.filePath(stamp + names.suffix);
        backupBankFile(bank, result.made);
        // A bank damaged past its first page copies without a complaint;
        // such a copy must not push a good one out.
        if (checkBankFile(result.made, &result.damage) != BankFileState::Sound) {
            const QString apart = folder.filePath(stamp + QString::fromUtf16(kDamaged) + names.suffix);
            QFile::remove(apart);
            if (QFile::rename(result.made, apart)) {
                result.made = apart;
            } else {
                // Under its own name it would count as a good copy.
                QFile::remove(result.made);
                result.made.clear();
            }
        }
    }

    const auto rotate = [&](const QRegularExpression& pattern, int kept) {
        QStringList present = Names::in(folder, pattern);
        while (present.size() > kept) {
            const QString oldest = folder.filePath(present.takeFirst());
            if (QFile::remove(oldest))
                result.removed << oldest;
        }
    };
    rotate(names.good, keep);
    rotate(names.damaged, 1);
    return result;
}

void atProgramEnd(const QString& bank)
{
    if (!QFileInfo(bank).isFile())
        return;
    try {
        const Result r = run(bank, QDateTime::currentDateTime());
        if (!r.damage.isEmpty()) {
            std::fputs(
                qPrintable(
                    u"自动备份题库：题库文件“%1”已损坏（%2）。这份备份另存为“%3”，"
                    u"以前完好的自动备份都保留着；请用 题库管理 → 恢复题库 从完好的备份恢复题库。\n"_s.arg(
                        QDir::toNativeSeparators(bank), r.damage, QDir::toNativeSeparators(r.made))),
                stderr);
        }
    } catch (const StoreError& e) {
        // The program ends anyway; the teacher's terminal (or its log) says why.
        std::fputs(qPrintable(u"自动备份题库失败：%1\n"_s.arg(e.text)), stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "自动备份题库失败：%s\n", e.what());
    }
}

QString newestGood(const QString& bank)
{
    const Names names(bank);
    const QDir folder(folderFor(bank));
    QStringList candidates = Names::in(folder, names.good);
    while (!candidates.isEmpty()) {
        const QString path = folder.filePath(candidates.takeLast());
        if (checkBankFile(path) == BankFileState::Sound)
            return path;
    }
    return {};
}

bool newestIsDamaged(const QString& bank)
{
    const Names names(bank);
    const QDir folder(folderFor(bank));
    const QStringList good = Names::in(folder, names.good);
    const QStringList damaged = Names::in(folder, names.damaged);
    if (damaged.isEmpty())
        return false;
    // Compared by the time in the names.
    const auto stamp = [&](const QRegularExpression& pattern, const QString& name) {
        const QRegularExpressionMatch m = pattern.match(name);
        return m.captured(1) + m.captured(2);
    };
    return good.isEmpty() || stamp(names.damaged, damaged.last()) > stamp(names.good, good.last());
}

QDateTime madeAt(const QString& backup)
{
    static const QRegularExpression stamp(u"-(\\d{8}-\\d{6})(?:-损坏)?(?:\\.[^.]*)?$"_s);
    const QRegularExpressionMatch m = stamp.match(QFileInfo(backup).fileName());
    if (!m.hasMatch())
        return {};
    return QDateTime::fromString(m.captured(1), u"yyyyMMdd-HHmmss"_s);
}

} // namespace AutomaticBackup
