#include "ui/EditTargets.h"

#include "ui/RichTextBox.h"

#include <QMenu>
#include <QPointer>
#include <array>

namespace {
std::array<bool, kEditTargetCount> marks{};
std::array<QPointer<RichTextBox>, kEditTargetCount> boxes;
QPointer<QMenu> editMenu;
} // namespace

namespace EditTargets {

bool isMarked(EditTarget t)
{
    return marks[size_t(t)];
}

void setMarked(EditTarget t, bool marked)
{
    marks[size_t(t)] = marked;
}

void clearAll()
{
    marks.fill(false);
}

RichTextBox* box(EditTarget t)
{
    return boxes[size_t(t)].data();
}

void registerBox(EditTarget t, RichTextBox* b)
{
    boxes[size_t(t)] = b;
}

void setMenu(QMenu* m)
{
    editMenu = m;
}

QMenu* menu()
{
    return editMenu.data();
}

void raise(EditTarget own, EditTarget sibling, RichTextBox* b, QPoint globalPos)
{
    registerBox(own, b);
    setMarked(own, true);
    setMarked(sibling, false);
    if (editMenu)
        editMenu->popup(globalPos);
}

} // namespace EditTargets
