#include "ui/EditTargets.h"

#include "ui/Clipboard.h"
#include "ui/RichTextBox.h"

#include <array>
#include <QMenu>
#include <QPointer>

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

void unmarkAll()
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

namespace {

// Applies `act` to every marked box in target order and unmarks it. A mark
// whose window is gone is only cleared.
template <class F> void forEachMarked(F act)
{
    for (int i = 0; i < kEditTargetCount; ++i) {
        if (!marks[size_t(i)])
            continue;
        marks[size_t(i)] = false;
        if (RichTextBox* b = boxes[size_t(i)].data())
            act(b);
    }
}

} // namespace

void cut()
{
    Clipboard::Clear();
    forEachMarked([](RichTextBox* b) {
        Clipboard::SetText(b->SelRTF());
        b->setSelText(QString());
    });
}

void copy()
{
    Clipboard::Clear();
    forEachMarked([](RichTextBox* b) { Clipboard::SetText(b->SelRTF()); });
}

void paste()
{
    forEachMarked([](RichTextBox* b) {
        const QByteArray rtf = Clipboard::GetText();
        if (rtf.isEmpty())
            b->setSelText(QString());
        else
            b->setSelRTF(rtf);
    });
}

void deleteSelection()
{
    forEachMarked([](RichTextBox* b) { b->setSelText(QString()); });
}

void selectAll()
{
    forEachMarked([](RichTextBox* b) {
        b->SetFocus();
        b->setSelStart(0);
        b->setSelLength(int(b->Text().length()));
    });
}

void clearBox()
{
    forEachMarked([](RichTextBox* b) { b->setText(QString()); });
}

} // namespace EditTargets
