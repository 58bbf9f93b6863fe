#pragma once

#include "compose/CompositionState.h"

#include <QWidget>

class KnowledgeTreePicker;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Step 2 of both composition wizards: the nine criteria of one question at a
// time, with the knowledge-point tree to fill the three levels. The fields
// are kept from one question to the next. Each wizard says what 确  定 does.
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

    // Shows the prompt of the question asked next; a new run started since
    // the window was left begins again at question 1.
    virtual void refreshPrompt() = 0;

protected:
    // Loads the tree and the types from the bank. Throws StoreError.
    CriteriaWindow(const QString& name, const QString& caption, const QString& confirmTip, QWidget* parent);
    void showEvent(QShowEvent* event) override;

    void message(const QString& text);

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    KnowledgeTreePicker* picker_;
};
