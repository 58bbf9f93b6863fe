#pragma once

#include "questions/QuestionBrowser.h"
#include "questions/QuestionForm.h"

#include <QWidget>

class KnowledgeTreePicker;
class QGroupBox;
class QPushButton;
class QTreeWidget;

// What the search and the modification windows share: the knowledge-point
// tree in "知识点选项", the question form, and the kept search result with its
// search and four moves. Each window lays out its own buttons and says which
// of them a found question enables.
class QuestionBrowsingWindow : public QWidget
{
    Q_OBJECT
public:
    QuestionForm* form() const { return form_; }
    QTreeWidget* tree() const { return tv; }
    QuestionBrowser& browser() { return browser_; }

    // Shown when a move lands on a question deleted since the search.
    static QString deletedText();

    // Its size in twips; the frame would otherwise grow to the fields' wishes.
    QSize sizeHint() const override;

protected:
    QuestionBrowsingWindow(const QuestionForm::Labels& labels, QWidget* parent);

    // Geometry, tree and type list, as each window does once when it loads.
    // Throws StoreError.
    void loadWindow();
    QPushButton* makeButton(const char* name, const QString& caption, const QString& tip = {});
    QGroupBox* buttonGroup(const QString& caption, const QList<QPushButton*>& buttons, int columns);
    // The tree on the left, the form and `bottom` on the right.
    void arrange(QWidget* bottom);

    void message(const QString& text);
    bool ask(const QString& text);

    // 开始搜索: true when questions were found and the first one is shown.
    bool search();
    // The outcome of a move: a shown question fills the form; past the ends
    // the one message; a deleted question empties the form and says so.
    void showStep(const QuestionBrowser::Step& step);
    // True when the result's current question is the one the form shows:
    // only that one may be changed or deleted.
    bool showsCurrent() const;
    // The form no longer shows the current question (emptied, deleted).
    void forgetShown() { shownId_ = -1; }

    QTreeWidget* tv;
    KnowledgeTreePicker* picker_;
    QuestionForm* form_;
    QuestionBrowser browser_;

private:
    qint64 shownId_ = -1; // the identity of the question the form shows
};
