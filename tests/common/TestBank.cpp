#include "common/TestBank.h"

#include "store/BankSchema.h"
#include "store/Password.h"
#include "store/ProgramDirectory.h"

#include <QDir>

using namespace Qt::StringLiterals;

FieldValues TestQuestion::fields() const
{
    return {
        {u"题目编号"_s, number},   {u"题型"_s, type},         {u"知识点一"_s, knowledge1},
        {u"知识点二"_s, knowledge2}, {u"知识点三"_s, knowledge3}, {u"难度"_s, difficulty},
        {u"内容"_s, content},       {u"答案"_s, answer},       {u"是否中考题"_s, entranceExam},
        {u"录入人"_s, enteredBy},    {u"录入时间"_s, enteredAt},
    };
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
    store().append(u"登录表"_s, {{u"姓名"_s, name}, {u"口令"_s, hashPasswordFast(password)}, {u"人员类型"_s, role}});
}

QString TestBank::addQuestion(const TestQuestion& question)
{
    BankStore s = store();
    TestQuestion q = question;
    if (q.number.isEmpty())
        q.number = QString::number(nextQuestionNumber(s));
    s.append(u"数学题库"_s, q.fields());
    return q.number;
}

void TestBank::addKnowledgePath(const QString& level1, const QString& level2, const QString& level3)
{
    store().append(u"知识点表"_s, {{u"第一知识点"_s, level1}, {u"第二知识点"_s, level2}, {u"第三知识点"_s, level3}});
}

void TestBank::addQuestionType(const QString& name)
{
    store().append(u"题型表"_s, {{u"题型"_s, name}});
}
