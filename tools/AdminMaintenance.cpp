// tiku-admin backup|restore|merge: the bank maintenance of the 题库管理 menu
// without windows, for a school's scheduled backups. The same checks and the
// same safety as the windows (BankMaintenance); what was done goes to
// standard output, what went wrong to standard error.
#include "AdminCommands.h"

#include "admin/BankMaintenance.h"
#include "store/BankFiles.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void say(const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), stdout);
}

int fail(const char* command, const QString& message)
{
    std::fputs(qPrintable(u"tiku-admin %1: "_s.arg(QString::fromLatin1(command)) + message + u'\n'), stderr);
    return 1;
}

bool usage(const QStringList& args, const char* line)
{
    if (args.size() == 2 && !args[0].startsWith(u'-') && !args[1].startsWith(u'-'))
        return true;
    std::fprintf(stderr, "usage: tiku-admin %s\n", line);
    return false;
}

// The bank a command acts on must be one (once a restore cut off earlier is
// undone); its reason otherwise.
QString notABank(const QString& path)
{
    try {
        undoInterruptedRestore(path);
    } catch (const StoreError& e) {
        // Without its safety copy the bank is judged as it is (a restore
        // can still replace it).
        if (e.number != StoreErrorNumber::NotABank)
            return u"%1 was left as it is: %2"_s.arg(native(path), e.text);
    }
    QString why;
    if (isBankFile(path, &why))
        return {};
    return u"%1 is not a bank file (%2); nothing was changed"_s.arg(native(path), why);
}

// The bank a restore replaces may be damaged, cut short or missing: that is
// what a restore is for, and what is there is kept aside first. Only a file
// that is no SQLite database at all (a document named by mistake) is refused.
QString notARestoreTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (!info.absoluteDir().exists())
            return u"the folder %1 does not exist; nothing was changed"_s.arg(native(info.absolutePath()));
        return {};
    }
    const QString problem = notABank(path);
    if (problem.isEmpty())
        return {};
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(16);
        if (head.isEmpty() || head == QByteArray("SQLite format 3", 16))
            return {};
    }
    return problem;
}

// What became of the bank when a restore failed, for the command's message.
QString outcomeOf(const RestoreError& e)
{
    switch (e.outcome) {
    case RestoreOutcome::BankUnchanged:
        break;
    case RestoreOutcome::PutBack:
        return u"the restore failed, and the bank was put back as it was from its safety copy %1"_s.arg(
            native(e.safetyCopy));
    case RestoreOutcome::LeftForUndo:
        return u"the restore failed part way, and putting the bank back failed too: the next command or "
               u"start of the program puts it back from its safety copy %1"_s.arg(native(e.safetyCopy));
    }
    return u"the bank was not changed"_s;
}

} // namespace

int runBackup(const QStringList& args)
{
    if (!usage(args, "backup BANK OUT"))
        return 2;
    const QString& bank = args[0];
    const QString& out = args[1];
    if (const QString problem = notABank(bank); !problem.isEmpty())
        return fail("backup", problem);
    try {
        BankMaintenance::backup(bank, out);
    } catch (const StoreError& e) {
        return fail("backup", u"%1 was not written: %2"_s.arg(native(out), e.text));
    }
    say(u"backed up %1 to %2"_s.arg(native(bank), native(out)));
    return 0;
}

int runRestore(const QStringList& args)
{
    if (!usage(args, "restore BACKUP BANK"))
        return 2;
    const QString& source = args[0];
    const QString& bank = args[1];
    if (const QString problem = notARestoreTarget(bank); !problem.isEmpty())
        return fail("restore", problem);
    try {
        const BankMaintenance::RestoreResult r = BankMaintenance::restore(source, bank);
        if (!r.restored)
            return fail("restore", r.refusal + u" The bank was not changed."_s);
        if (r.safetyCopy.isEmpty()) {
            say(u"restored %1 from %2; there was no bank file before"_s.arg(native(bank), native(source)));
        } else {
            say(u"restored %1 from %2; the bank as it was before is kept in %3"_s.arg(
                native(bank), native(source), native(r.safetyCopy)));
        }
    } catch (const RestoreError& e) {
        return fail("restore", u"%1: %2"_s.arg(outcomeOf(e), e.text));
    } catch (const StoreError& e) {
        return fail("restore", u"the bank was not changed: %1"_s.arg(e.text));
    }
    return 0;
}

int runMerge(const QStringList& args)
{
    if (!usage(args, "merge SOURCE BANK"))
        return 2;
    const QString& source = args[0];
    const QString& bank = args[1];
    if (const QString problem = notABank(bank); !problem.isEmpty())
        return fail("merge", problem);
    try {
        const BankMaintenance::MergeResult r = BankMaintenance::merge(source, bank);
        if (!r.merged)
            return fail("merge", r.refusal);
        const QString added =
            u"; added %1 knowledge paths and %2 question types the bank lacked"_s.arg(r.appended.addedPaths)
                .arg(r.appended.addedTypes);
        if (r.appended.appended == 0) {
            say(u"merged %1 into %2: the source holds no questions, none was appended"_s.arg(native(source),
                                                                                             native(bank)) +
                added);
        } else {
            say(u"merged %1 into %2: appended %3 questions, numbered %4 to %5"_s
                    .arg(native(source), native(bank))
                    .arg(r.appended.appended)
                    .arg(r.appended.firstNumber, r.appended.lastNumber) +
                added);
        }
    } catch (const StoreError& e) {
        return fail("merge", u"nothing was appended: %1"_s.arg(e.text));
    }
    return 0;
}
