#pragma once

#include "questions/QuestionFilter.h"
#include "store/BankRecords.h"

#include <QGroupBox>

class BankStore;
class QComboBox;
class QLabel;
class QLineEdit;
class RichTextBox;
enum class EditTarget;

// The eleven labelled fields of a question, in the frame "题目信息", shared by
// the entry, modification and search windows: 题型 (Combo1), the three
// knowledge-point levels (Text2, Text3, Text4), 难度 (Combo2), 是否中考题
// (Combo3), 录入人 (Text6), 录入时间 (Text7), 题目编号 (Text8) and the two
// bodies (RichTextBox1, RichTextBox2).
//
// Enter in a field moves on along that order, from Combo1 to the content
// box. A field that gets the focus selects its whole text (not Combo3), so
// that typing replaces it. A double click on a body replaces it with the RTF
// on the clipboard and empties the clipboard.
class QuestionForm : public QGroupBox
{
    Q_OBJECT
public:
    // The labels of 题型 and 难度 differ between the windows in their blanks.
    struct Labels
    {
        QString type;
        QString difficulty;
    };
    static Labels entryLabels();  // "题   型", "难   度"
    static Labels searchLabels(); // "题    型", "难    度"

    explicit QuestionForm(const Labels& labels, QWidget* parent = nullptr);

    QComboBox* Combo1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    RichTextBox* RichTextBox1;
    RichTextBox* RichTextBox2;

    // Fills the list of 题型 with every type of 题型表 in stored order.
    // Throws StoreError.
    void loadTypes(BankStore& store);

    // What the fields hold: the bodies as whole RTF documents.
    QuestionRecord record() const;
    // The nine criteria as typed.
    QuestionFilter filter() const;
    // Empties every field, then shows `q`.
    void showRecord(const QuestionRecord& q);
    // Empties the nine fields and both bodies.
    void clear();

    // The right button over a body marks it as the target of the main
    // window's editing menu (and the other body as not) and pops the menu up.
    void useEditMenu(EditTarget content, EditTarget answer);

    // The fields that take part in the Enter chain, in order; the last is
    // the content box.
    QList<QWidget*> enterChain() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Empties the nine fields, not the bodies.
    void clearFields();
    void pasteBack(RichTextBox* box);
};
