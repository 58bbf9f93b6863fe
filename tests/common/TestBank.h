#pragma once

#include "store/BankStore.h"

#include <functional>
#include <QString>
#include <QTemporaryDir>

// Every test spells its strings u"..."_s.
using namespace Qt::StringLiterals;

// One question row for TestBank::addQuestion. Every field has a plausible
// default, so a test names only what it is about:
//     bank.addQuestion({.number = u"1"_s, .type = u"填空题"_s});
struct TestQuestion
{
    QString number = {}; // empty: the number nextQuestionNumber proposes
    QString type = u"选择题"_s;
    QString knowledge1 = u"数与代数"_s;
    QString knowledge2 = u"有理数"_s;
    QString knowledge3 = u"有理数的加法与减法"_s;
    QString difficulty = u"A"_s;
    QByteArray content = "{\\rtf1\\ansi\\ansicpg936 question\\par}";
    QByteArray answer = "{\\rtf1\\ansi\\ansicpg936 answer\\par}";
    QString entranceExam = u"否"_s;
    QString enteredBy = u"张老师"_s;
    QString enteredAt = u"2026-09-01"_s;

    QuestionRecord record() const;
    // The eleven columns of 数学题库 by name, in table order.
    FieldValues fields() const { return record().fields(); }
};

// The store error that `action` throws; number 0 and an empty text when it
// throws none, so that a test can compare both directly.
StoreError storeErrorOf(const std::function<void()>& action);

// A program directory with a fresh, empty bank in a temporary folder; the
// program directory points at it for as long as the object lives.
class TestBank
{
public:
    TestBank();
    ~TestBank();
    TestBank(const TestBank&) = delete;
    TestBank& operator=(const TestBank&) = delete;

    QString programDir() const { return dir_.path(); }
    QString bankPath() const;

    // A new connection to the bank, as the program's actions open one.
    BankStore store() const;

    // Appends rows the way the program's windows do. The password is stored
    // as a (fast) Argon2id hash, so verifyPassword() accepts it.
    void addUser(const QString& name, const QString& password, const QString& role = u"一般人员"_s);
    // Returns the question number stored.
    QString addQuestion(const TestQuestion& question = {});
    void addKnowledgePath(const QString& level1, const QString& level2, const QString& level3);
    void addQuestionType(const QString& name);

private:
    QTemporaryDir dir_;
};
