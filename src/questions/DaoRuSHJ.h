#pragma once

#include "questions/PaperImport.h"

#include <QWidget>

#include <memory>

class KnowledgeTreePicker;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class RichTextBox;

namespace docx {
class FormulaPictures;
}

// 导入试卷: a teacher's Word paper (.docx; .doc and .wps through LibreOffice)
// becomes bank questions. The list shows the questions found; the two boxes
// show the selected one's content and answer as they will be stored. The
// teacher joins, splits, moves paragraphs, drops, sets the fields of the
// selected questions or of all, and 导入 appends them in one transaction.
// Nothing reaches the bank before 导入; 取消 writes nothing.
//
// The work is PaperImport's; the window only moves values between it and
// its controls.
class DaoRuSHJ : public QWidget
{
    Q_OBJECT
public:
    explicit DaoRuSHJ(QWidget* parent = nullptr);
    ~DaoRuSHJ() override;

    const PaperImport& paper() const { return paper_; }
    // The question shown in the boxes, -1 when none.
    int currentQuestion() const;

    QLineEdit* Text1;          // the file read
    QPushButton* Command1;     // 选择文件…
    QLabel* Label1;            // what was found, notices
    QTreeWidget* List1;        // the questions found
    RichTextBox* RichTextBox1; // the content of the selected question
    RichTextBox* RichTextBox2; // its answer
    QPushButton* Command2;     // 与下一题合并
    QPushButton* Command3;     // 在光标处拆分
    QPushButton* Command4;     // 段落移入答案
    QPushButton* Command5;     // 段落移回题目
    QPushButton* Command6;     // 删除此题
    QTreeWidget* tv;           // the knowledge-point tree
    QComboBox* Combo1;         // 题型
    QLineEdit* Text2;          // 一级知识点
    QLineEdit* Text3;          // 二级知识点
    QLineEdit* Text4;          // 三级知识点
    QComboBox* Combo2;         // 难度
    QComboBox* Combo3;         // 是否中考题
    QLineEdit* Text6;          // 录入人
    QPushButton* Command7;     // 设置选中的题
    QPushButton* Command8;     // 设置全部题
    QPushButton* Command9;     // 导  入
    QPushButton* Command10;    // 取  消

    // Reads and splits `path` into the preview (what Command1 does with the
    // file chosen). False, the preview unchanged, with a message shown.
    bool openFile(const QString& path);

    QSize sizeHint() const override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void List1_SelectionChanged();

    // Refills the list from the paper and selects question `select`.
    void showQuestions(int select);
    void showQuestion(int i);
    void showSummary();
    // The fields the teacher filled in, as a change for several questions.
    ImportFields readFields() const;
    QList<int> selectedQuestions() const;
    // Back to an empty preview.
    void clearPaper();
    // The message when no question is selected; false then.
    bool needsQuestion();

    PaperImport paper_;
    std::unique_ptr<docx::FormulaPictures> formulas_;
    KnowledgeTreePicker* picker_;
};
