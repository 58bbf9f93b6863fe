#include "common/TestBank.h"

#include "store/BankSchema.h"
#include "store/Password.h"
#include "store/ProgramDirectory.h"

#include <QDir>

using namespace Qt::StringLiterals;

QuestionRecord TestQuestion::record() const
{
    return {number,       type,      {knowledge1, knowledge2, knowledge3},
            difficulty,   content,   answer,
            entranceExam, enteredBy, enteredAt};
}

StoreError storeErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const StoreError& e) {
        return e;
    }
    return StoreError(0, QString());
}

TestBank::TestBank()
{
    QDir(dir_.path()).mkpath(u"DATA"_s);
    setProgramDirectory(dir_.path());
    createBankFile(bankPath());
}

TestBank::~TestBank()
{
    setProgramDirectory(QString());
}

QString TestBank::bankPath() const
{
    return dir_.path() + u"/DATA/TiKu.mdb"_s;
}

BankStore TestBank::store() const
{
    return BankStore::openExternalBank(bankPath());
}

void TestBank::addUser(const QString& name, const QString& password, const QString& role)
{
    store().appendUser({name, hashPasswordFast(password), role});
}

QString TestBank::addQuestion(const TestQuestion& question)
{
    BankStore s = store();
    QuestionRecord q = question.record();
    if (q.number.isEmpty())
        q.number = nextQuestionNumber(s);
    s.appendQuestion(q);
    return q.number;
}

void TestBank::addKnowledgePath(const QString& level1, const QString& level2, const QString& level3)
{
    store().appendKnowledgePath({level1, level2, level3});
}

void TestBank::addQuestionType(const QString& name)
{
    store().appendQuestionType(name);
}
