#pragma once
// Drives the question windows the way a teacher does: through the main
// window's menu, the buttons and the fields, with scripted message boxes.
#include "app/MDIForm1.h"
#include "common/TestBank.h"
#include "questions/QuestionForm.h"
#include "store/CurrentUser.h"
#include "store/ProgramSettings.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"
#include "ui/WindowRegistry.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

// Another program in the middle of a write to the bank file: while it lives,
// writes of the windows wait and then fail; with `readsToo`, reads as well.
class BankLock
{
public:
    BankLock(const QString& path, bool readsToo)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name_);
        db.setDatabaseName(path);
        if (!db.open() || !QSqlQuery(db).exec(readsToo ? u"BEGIN EXCLUSIVE"_s : u"BEGIN IMMEDIATE"_s))
            qFatal("cannot lock %s", qPrintable(path));
    }
    ~BankLock()
    {
        QSqlQuery(QSqlDatabase::database(name_)).exec(u"ROLLBACK"_s);
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }

private:
    QString name_ = u"bank-lock"_s;
};

// The nine criteria fields and the two bodies, as their plain text.
inline QStringList shownFields(const QuestionForm* f)
{
    return {f->Text8->text(), f->Combo1->currentText(), f->Text2->text(),         f->Text3->text(),
            f->Text4->text(), f->Combo2->currentText(), f->Combo3->currentText(), f->Text6->text(),
            f->Text7->text(), f->RichTextBox1->Text(),  f->RichTextBox2->Text()};
}

// Types `text` into a field as the keyboard does, replacing what it held.
inline void typeInto(QWidget* field, const QString& text)
{
    QWidget* target = field;
    if (auto* combo = qobject_cast<QComboBox*>(field))
        target = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(target))
        line->clear();
    // keyClicks takes Latin-1 only; an IME hands over Chinese as key text too.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline QList<QuestionRecord> storedQuestions(const TestBank& bank)
{
    QList<QuestionRecord> out;
    for (const QuestionRecord& q : bank.store().questions())
        out.append(q);
    return out;
}

inline QStringList storedNumbers(const TestBank& bank)
{
    QStringList out;
    for (const QuestionRecord& q : storedQuestions(bank))
        out.append(q.number);
    return out;
}

// A bank, scripted boxes and the main window of a logged-in teacher.
struct WindowFixture
{
    std::unique_ptr<TestBank> bank = std::make_unique<TestBank>();
    std::unique_ptr<ScriptedDialogs> dialogs = std::make_unique<ScriptedDialogs>();
    // What the windows remember (the folder saved into last, the 版式) goes
    // here, never into the user's own settings.
    QTemporaryDir settingsDir;

    WindowFixture() { setProgramSettingsFile(settingsDir.filePath(u"tiku.ini"_s)); }

    MDIForm1* mainWindow()
    {
        CurrentUser() = CurrentUserState{};
        CurrentUser().userName = u"admin"_s;
        CurrentUser().setRole(u"超级管理"_s);
        auto* w = WindowRegistry::instance().window<MDIForm1>();
        w->show();
        return w;
    }

    // The window the menu command `command` shows, or nullptr.
    template <class W> W* open(const QString& command)
    {
        mainWindow()->command(command)->trigger();
        W* w = WindowRegistry::instance().existing<W>();
        return w && w->isVisible() ? w : nullptr;
    }

    // What the boxes showed since the last call.
    QList<ScriptedDialogs::Shown> boxes()
    {
        QList<ScriptedDialogs::Shown> out = dialogs->shown();
        dialogs->clearShown();
        return out;
    }

    ~WindowFixture()
    {
        WindowRegistry::instance().discardAll();
        setProgramSettingsFile(QString());
    }
};

inline void click(QWidget* window, const char* button)
{
    auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
    if (!b)
        qFatal("no button %s", button);
    QTest::mouseClick(b, Qt::LeftButton);
}
