#pragma once

#include <QPoint>

class QMenu;
class RichTextBox;

// The four rich-text boxes that can raise the editing context menu, in the
// order the menu's commands walk them.
enum class EditTarget { AddContent = 0, AddAnswer = 1, EditContent = 2, EditAnswer = 3 };
constexpr int kEditTargetCount = 4;

// Program-wide marks of the boxes the next context-menu command acts on. A
// mark stays set until a command uses it, even when the menu was dismissed.
namespace EditTargets {
bool isMarked(EditTarget t);
void setMarked(EditTarget t, bool marked);
void unmarkAll();
// The box registered for a target (nullptr when its window is gone).
RichTextBox* box(EditTarget t);
void registerBox(EditTarget t, RichTextBox* box);

// The main window registers its editing menu here.
void setMenu(QMenu* menu);
QMenu* menu();

// What a window does when the right button is released over one of its two
// boxes: mark this box, unmark the other box of the same window, and pop up
// the editing menu at `globalPos`.
void raise(EditTarget own, EditTarget sibling, RichTextBox* box, QPoint globalPos);

// The editing menu's commands. Each walks the marked boxes in target order,
// acts on each and unmarks it; a clipboard step that runs once comes first.
void cut();             // 剪切
void copy();            // 复制
void paste();           // 粘贴: RTF only; without RTF the selection is replaced by nothing
void deleteSelection(); // 删除
void selectAll();       // 全选
void clearBox();        // 全部删除
} // namespace EditTargets
