// tiku-admin rename BANK --knowledge-point LEVEL OLD NEW [--under NAME...] [--keep-questions]
// tiku-admin rename BANK --question-type OLD NEW [--keep-questions]
// 重命名 of 编辑知识点 and 编辑题型 without windows: the name in the
// classification table and, unless --keep-questions, in every question filed
// under it, in one transaction.
#include "AdminCommands.h"

#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/Classifications.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fputs(("tiku-admin rename: "_L1 + message + u'\n').toUtf8().constData(), stderr);
}

int usage()
{
    std::fputs("usage: tiku-admin rename BANK --knowledge-point LEVEL OLD NEW [--under NAME...] "
               "[--keep-questions]\n"
               "       tiku-admin rename BANK --question-type OLD NEW [--keep-questions]\n",
               stderr);
    return 2;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

struct Request
{
    QString bank;
    bool knowledgePoint = false;
    KnowledgePoint point;
    QString oldType;
    QString newName;
    bool keepQuestions = false;
};

// The arguments as a request; false on a usage error.
bool parse(QStringList args, Request* r)
{
    if (args.removeAll(u"--keep-questions"_s) > 0)
        r->keepQuestions = true;
    if (args.size() < 4)
        return false;
    r->bank = args.takeFirst();
    const QString what = args.takeFirst();
    if (what == u"--question-type") {
        if (args.size() != 2)
            return false;
        r->oldType = args.at(0);
        r->newName = args.at(1);
        return true;
    }
    if (what != u"--knowledge-point" || args.size() < 3)
        return false;
    bool ok = false;
    r->knowledgePoint = true;
    r->point.level = args.takeFirst().toInt(&ok);
    if (!ok)
        return false;
    r->point.name = args.takeFirst();
    r->newName = args.takeFirst();
    if (!args.isEmpty()) {
        if (args.takeFirst() != u"--under" || args.isEmpty())
            return false;
        r->point.parents = args;
    }
    return true;
}

QString describe(const Request& r)
{
    if (!r.knowledgePoint)
        return u"question type %1"_s.arg(r.oldType);
    QString what = u"level-%1 knowledge point %2"_s.arg(r.point.level).arg(r.point.name);
    if (!r.point.parents.isEmpty())
        what += u" under "_s + r.point.parents.join(u" / "_s);
    return what;
}

} // namespace

int runRename(const QStringList& args)
{
    Request r;
    if (!parse(args, &r))
        return usage();
    if (r.knowledgePoint && (r.point.level < 1 || r.point.level > 3)) {
        fail(u"a knowledge point has level 1, 2 or 3, not %1"_s.arg(r.point.level));
        return 2;
    }
    if (r.knowledgePoint && r.point.parents.size() > r.point.level - 1) {
        fail(u"a level-%1 knowledge point has %2 names above it, not %3"_s.arg(r.point.level)
                 .arg(r.point.level - 1)
                 .arg(r.point.parents.size()));
        return 2;
    }
    if (r.newName.isEmpty()) {
        fail(u"the new name is empty; nothing was changed"_s);
        return 1;
    }
    const QString oldName = r.knowledgePoint ? r.point.name : r.oldType;
    if (oldName == r.newName) {
        fail(u"%1 already has that name; nothing was changed"_s.arg(describe(r)));
        return 1;
    }
    if (!QFileInfo(r.bank).isFile()) {
        fail(u"%1: no such bank file"_s.arg(native(r.bank)));
        return 1;
    }
    QString why;
    if (!isBankFile(r.bank, &why)) {
        fail(u"%1 is not a bank file (%2); nothing was changed"_s.arg(native(r.bank), why));
        return 1;
    }
    const QString table = r.knowledgePoint ? u"知识点表"_s : u"题型表"_s;
    RenameCount changed;
    try {
        BankStore store = BankStore::openExternalBank(r.bank);
        const RenameCount use =
            r.knowledgePoint ? knowledgePointUse(store, r.point) : questionTypeUse(store, oldName);
        if (use.classificationRows == 0) {
            fail(u"%1 has no %2 in %3; nothing was changed"_s.arg(native(r.bank), describe(r), table));
            return 1;
        }
        const bool questionsToo = !r.keepQuestions;
        changed = r.knowledgePoint ? renameKnowledgePoint(store, r.point, r.newName, questionsToo)
                                   : renameQuestionType(store, oldName, r.newName, questionsToo);
        QString said = u"renamed %1 to %2 in %3: %4 rows of %5, %6 questions"_s.arg(
            describe(r), r.newName, native(r.bank), QString::number(changed.classificationRows), table,
            QString::number(changed.questions));
        if (!questionsToo && use.questions > 0)
            said += u" (%1 questions keep the old name)"_s.arg(use.questions);
        std::fputs(qPrintable(said + u'\n'), stdout);
    } catch (const StoreError& e) {
        fail(u"%1 was left as it was: %2"_s.arg(native(r.bank), e.text));
        return 1;
    }
    return 0;
}
