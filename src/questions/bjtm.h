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

    // Places the editor (its frame, when it has one) beside `form`, so that
    // `target` (the box of `form` its content goes back to) stays in view:
    // the teacher cuts here and double-clicks there. Where its own size does
    // not fit beside the form, it takes the room there is beside it, down to
    // its smallest usable size; without that room it goes over the form but
    // beside `target`, as large as the room there allows; only where even
    // that fails it covers as little of `target`, then of `form`, as it can.
    // A maximised editor stays as it is.
    void placeBeside(QWidget* form, QWidget* target);
    // That rule for a window of `size` (at least `minimum`) in `area`; all
    // rectangles in one coordinate system.
    static QRect besidePlace(const QRect& area, const QRect& form, const QSize& size, const QSize& minimum,
                             const QRect& target);

private:
    void Command1_Click();
    void Command2_Click();
    void Document1_LostFocus();
    void onFocusChanged(QWidget* old, QWidget* now);

    QMetaObject::Connection focusWatch;
};
