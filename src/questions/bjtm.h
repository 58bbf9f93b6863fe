#pragma once

#include <QWidget>

class QPushButton;
class RichTextEditor;

// 编辑题目: the companion editor of the entry window. The teacher prepares
// content with formatting and pictures here, cuts it (as RTF) and
// double-clicks the target box of the entry window to paste it back. One
// document serves both bodies and keeps what was left in it between uses.
class bjtm : public QWidget
{
    Q_OBJECT
public:
    explicit bjtm(QWidget* parent = nullptr);
    ~bjtm() override;

    RichTextEditor* Document1;
    QPushButton* Command1; // 编  辑
    QPushButton* Command2; // 返  回

    // The window's own size, not its layout's: the frame goes around it.
    QSize sizeHint() const override;

private:
    void Command1_Click();
    void Command2_Click();
    void Document1_LostFocus();
    void onFocusChanged(QWidget* old, QWidget* now);

    QMetaObject::Connection focusWatch;
};
