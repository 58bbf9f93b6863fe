#pragma once

#include <QWidget>

class BankStore;
class KnowledgeTreePicker;
class QPushButton;
class QTreeWidget;
class QuestionForm;

// 添加题目: questions enter the bank one after another. After a save the
// classification fields stay, the two bodies empty and the next number is
// proposed, so a series of questions of one kind goes quickly. Content with
// figures or formulas is prepared in bjtm and pasted back by a double click.
//
// Loading reads the bank (tree, types, proposed number) and throws StoreError
// when it cannot; the handlers run under the store-error report.
class frmadd : public QWidget
{
    Q_OBJECT
public:
    explicit frmadd(QWidget* parent = nullptr);

    QuestionForm* form() const { return form_; }
    // False once a body changed after the load or the last save.
    bool questionSaved() const { return questionSaved_; }

    // The instruction a body holds when the window opens, as one RTF
    // paragraph in 9-point 宋体.
    static QByteArray contentInstruction();
    static QByteArray answerInstruction();

    QTreeWidget* tv;
    QPushButton* Command1; // 保存题目
    QPushButton* Command2; // 退  出
    QPushButton* Command3; // 编辑题目
    QPushButton* Command4; // 编辑答案
    QPushButton* Command5; // 全部重填

    // The window's own size, not its layout's: the frame goes around it.
    QSize sizeHint() const override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    // Shows 编辑题目 titled `title`, beside this window and clear of `target`,
    // the box its content is pasted back into.
    void openEditor(const QString& title, QWidget* target);

    QuestionForm* form_;
    KnowledgeTreePicker* picker_;
    bool questionSaved_ = true;
};
