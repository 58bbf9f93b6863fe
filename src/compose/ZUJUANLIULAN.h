#pragma once

#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"
#include "store/BankStore.h"

#include <cstdint>
#include <functional>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;
class RichTextBox;

// 自动组卷, step 3: each press of 开  始 composes one more paper set into the
// paper and the answer document; both are saved as RTF.
class ZUJUANLIULAN : public QWidget
{
    Q_OBJECT
public:
    // Its size in twips; the frame would otherwise grow to the controls' wishes.
    QSize sizeHint() const override;
    explicit ZUJUANLIULAN(QWidget* parent = nullptr);
    // The set count starts again at 1 in the next composer window.
    ~ZUJUANLIULAN() override;

    // The candidate queries of questions 1..N (index 0 unused) to compose from.
    void setQueries(const std::vector<TableQuery>& queries);

    // Where the seed of each set comes from; by default a random number. A
    // set drawn with seed S is drawn again by `tiku-admin compose --sets 1
    // --seed S`. Tests fix it.
    using SeedSource = std::function<std::uint64_t()>;
    static void setSeedSource(SeedSource source);

    void Command1_Click();     // 开  始
    void Command2_Click();     // 保存题目
    void Command4_Click();     // 保存答案
    void Command3_Click();     // 退   出
    void PrintPreview_Click(); // 打印预览: the sets composed, laid out as a paper or its answer key
    void ExportPdf_Click();    // 导出PDF
    // 换题: question QuestionNo of set SetNo in place of another candidate
    // of its criteria, not yet in that set; number and answer stay in step.
    void ChangeQuestion_Click();

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* PrintPreview;
    QPushButton* ExportPdf;
    QSpinBox* SetNo;      // the set of the question to change
    QSpinBox* QuestionNo; // its number in the set
    QPushButton* ChangeQuestion;
    RichTextBox* RichTextBox1; // the paper
    RichTextBox* RichTextBox3; // the answers
    QLabel* Label1;            // the status line

private:
    void setButtonsEnabled(bool on);
    void discardPaper();
    // The spin boxes of 换题 offer the sets composed and their questions.
    void updateChangeRange();
    // The caret in the paper picks the question 换题 acts on.
    void followCaret();

    // A set as composed, with the queries it was drawn from: a later run may
    // give the window other queries.
    struct ComposedPaperSet
    {
        ComposedSet set;
        std::vector<TableQuery> queries;
        int printIndex = -1; // its place in sets_, -1 when nothing of it was drawn
    };

    std::vector<TableQuery> queries_;
    std::vector<ComposedPaperSet> composed_;
    QStringList seeds_;          // one entry per set composed, for the status line
    std::vector<PaperSet> sets_; // the questions drawn, set by set, for printing
    bool paperSaved_ = false;
    bool answersSaved_ = false;
    // While a set is composed the caret moves with every insertion; looking
    // up its question each time would cost a walk of the paper each.
    bool composing_ = false;
};
