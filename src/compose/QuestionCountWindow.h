#pragma once

#include "compose/CompositionState.h"

#include <QWidget>

class QLabel;
class QPushButton;

// Step 1 of both composition wizards: asks how many questions the paper has,
// starts a new run with that many and hands over to the wizard's step 2.
class QuestionCountWindow : public QWidget
{
    Q_OBJECT
public:
    // Its size in twips; the frame would otherwise grow to the controls' wishes.
    QSize sizeHint() const override;
    void Command1_Click(); // 开  始
    void Command2_Click(); // 取  消

protected:
    QuestionCountWindow(const QString& name, const QString& caption, const QString& hint,
                        CompositionWizard wizard, QWidget* parent);
    // Shows the wizard's own step 2 once the run has started.
    virtual void showCriteriaStep() = 0;

    QLabel* Label1;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    CompositionWizard wizard_;
};
