#pragma once

#include "compose/PaperItems.h"
#include "compose/PaperLayout.h"
#include "questions/QuestionBrowser.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class RichTextBox;

// 手工组卷, step 3: browses the candidates of the question being chosen and
// adds one to the paper; alternates with step 2 until the paper is complete,
// then saves the paper and the answers as RTF.
class SHouGong3 : public QWidget
{
    Q_OBJECT
public:
    // Its size in twips; the frame would otherwise grow to the controls' wishes.
    QSize sizeHint() const override;
    explicit SHouGong3(QWidget* parent = nullptr);

    // Step 2 confirmed the criteria of a question: 显 示 may run them.
    void enableShow();

    // Before step 1 of either wizard starts a new run: the paper of this
    // window (if it exists) is given up, after asking when it holds questions
    // that were not saved, and the window goes back to the state of a new
    // one. False when the teacher chose to keep the paper: no run starts.
    static bool giveUpForNewRun(QWidget* asker);

    void Command9_Click();     // 显 示
    void Command8_Click();     // 第一个
    void Command5_Click();     // 下一个
    void Command1_Click();     // 上一个
    void Command7_Click();     // 最后一个
    void Command2_Click();     // 添加到试卷=>
    void Command6_Click();     // 保存题目
    void Command4_Click();     // 保存答案
    void Command3_Click();     // 退   出
    void PrintPreview_Click(); // 打印预览: the questions added, laid out as a paper or its answer key
    void ExportPdf_Click();    // 导出PDF
    // Question ChosenNo of the paper one place up, one down, or out; the
    // paper and the answers are numbered again.
    void MoveUp_Click();
    void MoveDown_Click();
    void RemoveChosen_Click();

    // The candidate shown.
    QLineEdit* Text8;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    RichTextBox* RichTextBox1;
    RichTextBox* RichTextBox2;
    QListWidget* List1;
    QLineEdit* Text6;
    QLineEdit* Text7;
    // The paper so far.
    RichTextBox* RichTextBox3;
    RichTextBox* RichTextBox4;
    QLabel* Position;   // 第k题/共n题 of the candidates
    QSpinBox* ChosenNo; // the question of the paper to move or remove

    QPushButton* Command9;
    QPushButton* Command8;
    QPushButton* Command5;
    QPushButton* Command1;
    QPushButton* Command7;
    QPushButton* Command2;
    QPushButton* Command6;
    QPushButton* Command4;
    QPushButton* Command3;
    QPushButton* PrintPreview;
    QPushButton* ExportPdf;
    QPushButton* MoveUp;
    QPushButton* MoveDown;
    QPushButton* RemoveChosen;

private:
    void clearDisplay();
    void showRecord(const QuestionRecord& q);
    // The outcome of a move: the question, or the edge message and the
    // question at that edge.
    void showStep(const QuestionBrowser::Step& step, const QString& edgeMessage = {});
    void setBrowsingEnabled(bool on);
    // Back to the state of a new window: only 退   出.
    void resetButtons();
    void discardPaper();
    void message(const QString& text);
    // Back to the state of a new window, the paper emptied.
    void startOver();
    // After a move or a removal: what to say, the spin box's range, the run.
    void afterPaperChange(const QString& failure, int select);
    void updateChosenRange();
    // The caret in the paper picks the question to move or remove.
    void followCaret();
    void showPosition();

    QuestionBrowser browser_;
    PaperSet chosen_; // the questions added, in their order, for printing
    ChosenPaper paper_;
    bool paperSaved_ = false;
    bool answersSaved_ = false;
};
