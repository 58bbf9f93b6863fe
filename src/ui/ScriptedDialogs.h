#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <QList>
#include <QVariant>

// Dialogs for tests: nothing is ever shown. Every box is recorded, answers
// come from a queue, and a box that needs an answer nobody queued is recorded
// as unexpected (and answered with No / cancel) so the test can fail on it.
class ScriptedDialogs final : public Dialogs
{
public:
    enum class Kind { Message, Question, Input, SaveFile, OpenFile };

    struct Shown
    {
        Kind kind = Kind::Message;
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        bool operator==(const Shown&) const = default;
    };

    ScriptedDialogs();           // installs itself
    ~ScriptedDialogs() override; // puts back the dialogs it replaced

    // Queued answers, used in order by the boxes that need one.
    void answerYes();
    void answerNo();
    void answerInput(const QString& text);
    void cancelInput();
    // The empty path cancels. `type`, when given, is the file type chosen in
    // a save dialog; otherwise the type it showed first stays chosen.
    void answerFile(const QString& path, const QString& type = {});

    const QList<Shown>& shown() const { return shown_; }
    // The file-type filter of each save dialog shown, in order, and the type
    // each showed first (empty when not asked for one).
    const QStringList& saveFilters() const { return saveFilters_; }
    const QStringList& saveTypesShown() const { return saveTypesShown_; }
    void clearShown() { shown_.clear(); }
    // Texts of the boxes that asked for an answer nobody had queued.
    const QStringList& unexpected() const { return unexpected_; }
    // Number of queued answers not yet used.
    int pendingAnswers() const { return int(answers_.size()); }
    // True when every queued answer was used and no box was unexpected.
    bool allAnswered() const { return answers_.empty() && unexpected_.isEmpty(); }

    static Shown info(const QString& title, const QString& text, Icon icon = Icon::None)
    {
        return {Kind::Message, title, text, icon, Buttons::Ok};
    }
    static Shown ask(const QString& title, const QString& text, Icon icon = Icon::None)
    {
        return {Kind::Question, title, text, icon, Buttons::YesNo};
    }

    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    bool question(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                         const QString& filter, QString* selectedFilter) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;

private:
    struct Answer
    {
        Kind kind;
        QVariant value; // bool for questions, QString (or null for cancel) otherwise
        QString type{}; // the file type chosen in a save dialog
    };
    std::optional<Answer> take(Kind kind, const QString& what);

    Dialogs* previous_ = nullptr;
    std::deque<Answer> answers_;
    QList<Shown> shown_;
    QStringList unexpected_;
    QStringList saveFilters_;
    QStringList saveTypesShown_;
};

// Lets QCOMPARE print a recorded box.
char* toString(const ScriptedDialogs::Shown& s);
