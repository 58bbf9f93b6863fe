#include "admin/AutomaticBackup.h"

#include "store/BankFiles.h"
#include "store/BankStore.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace AutomaticBackup {

QString folderFor(const QString& bank)
{
    return QFileInfo(bank).absolutePath() + u"/备份"_s;
}

Result run(const QString& bank, const QDateTime& now, int keep)
{
    Result result;
    const QFileInfo info(bank);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    // <stem>-yyyyMMdd-HHmmss<suffix>: names in time order sort in name order.
    const QRegularExpression ours(u"^"_s + QRegularExpression::escape(stem) + u"-(\\d{8})-\\d{6}"_s +
                                  QRegularExpression::escape(suffix) + u'$');
    QDir folder(folderFor(bank));
    if (!folder.exists() && !folder.mkpath(u"."_s)) {
        throw StoreError(StoreErrorNumber::CannotOpen,
                         u"不能建立备份文件夹“%1”。"_s.arg(QDir::toNativeSeparators(folder.path())));
    }

    auto backups = [&] {
        QStringList names;
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            if (ours.match(name).hasMatch())
                names << name;
        }
        return names;
    };

    const QString today = now.toString(u"yyyyMMdd"_s);
    bool madeToday = false;
    for (const QString& name : backups()) {
        if (ours.match(name).captured(1) == today)
            madeToday = true;
    }
    if (!madeToday) {
        result.made = folder.filePath(stem + u'-' + now.toString(u"yyyyMMdd-HHmmss"_s) + suffix);
        backupBankFile(bank, result.made);
    }

    QStringList names = backups();
    while (names.size() > keep) {
        const QString oldest = folder.filePath(names.takeFirst());
        if (QFile::remove(oldest))
            result.removed << oldest;
    }
    return result;
}

void atProgramEnd(const QString& bank)
{
    if (!QFileInfo(bank).isFile())
        return;
    try {
        run(bank, QDateTime::currentDateTime());
    } catch (const StoreError& e) {
        // The program ends anyway; the teacher's terminal (or its log) says why.
        std::fputs(qPrintable(u"自动备份题库失败：%1\n"_s.arg(e.text)), stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "自动备份题库失败：%s\n", e.what());
    }
}

} // namespace AutomaticBackup
