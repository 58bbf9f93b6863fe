#pragma once

#include "compose/CompositionRun.h"

#include <memory>
#include <QWidget>

class KnowledgeTreePicker;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Step 2 of both composition wizards: the nine criteria of one question at a
// time, with the knowledge-point tree to fill the three levels, confirmed
// into the run the window takes from step 1 (or from the manual step 3). The
// fields are kept from one question to the next. Each wizard says what 确  定
// does with the outcome.
class CriteriaWindow : public QWidget
{
    Q_OBJECT
public:
    // Its size in twips; the frame would otherwise grow to the controls' wishes.
    QSize sizeHint() const override;
    QComboBox* Combo1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QTreeWidget* tv;
    QLabel* Label7;

    QTreeWidget* tree() const { return tv; }
    // The nine fields as typed.
    CompositionCriteria criteria() const;

    virtual void Command1_Click() = 0; // 确  定
    void Command2_Click();             // 退  出
    void Command3_Click();             // 清除信息

    // The run whose criteria the window confirms from now on (a new run
    // begins at its question 1); the prompt shows its question.
    void takeRun(std::shared_ptr<CompositionRun> run);
    const std::shared_ptr<CompositionRun>& run() const { return run_; }
    // Step 1 of `wizard` started a run: a run of the other wizard taken here
    // is over (CompositionRun::endBy), and the prompt says so.
    void endRun(CompositionRun::Wizard wizard);
    // Shows the prompt of the question asked next.
    void refreshPrompt();

protected:
    // Loads the tree and the types from the bank. Throws StoreError.
    CriteriaWindow(const QString& name, const QString& caption, const QString& confirmTip, QWidget* parent);
    void showEvent(QShowEvent* event) override;

    void message(const QString& text);

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    KnowledgeTreePicker* picker_;

    std::shared_ptr<CompositionRun> run_;
    // A question was confirmed here: the prompt no longer uses the words the
    // window opened with.
    bool confirmedOnce_ = false;
};
