#include "classify/ClassificationExportWindow.h"

#include "store/BankStore.h"
#include "ui/Clipboard.h"
#include "ui/Dialogs.h"
#include "ui/RichTextBox.h"
#include "ui/SongtiFont.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 16);
    return b;
}

} // namespace

ClassificationExportWindow::ClassificationExportWindow(const QString& caption, QSize size, QPoint position,
                                                       QWidget* parent)
    : QWidget(parent), RichTextBox1(new RichTextBox(this)),
      Command1(makeButton(u"Command1"_s, u"导  出"_s, this)),
      Command2(makeButton(u"Command2"_s, u"保  存"_s, this)),
      Command3(makeButton(u"Command3"_s, u"退  出"_s, this)), size_(twipsSize(size.width(), size.height()))
{
    setWindowTitle(caption);
    substituteSongti();
    RichTextBox1->setObjectName(u"RichTextBox1"_s);
    RichTextBox1->setAccessibleName(caption);

    auto* actionFrame = new QGroupBox(u"操作选项"_s, this);
    auto* actionRow = new QHBoxLayout(actionFrame);
    for (QPushButton* b : {Command1, Command2, Command3}) {
        b->setParent(actionFrame);
        actionRow->addWidget(b);
    }
    auto* column = new QVBoxLayout(this);
    column->addWidget(RichTextBox1, 1);
    column->addWidget(actionFrame);

    connectAction(Command1, &QPushButton::clicked, this, &ClassificationExportWindow::Command1_Click);
    connectAction(Command2, &QPushButton::clicked, this, &ClassificationExportWindow::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &ClassificationExportWindow::Command3_Click);
    Form_Load(position);
}

void ClassificationExportWindow::Form_Load(QPoint position)
{
    resize(size_);
    move(twipsPoint(position.x(), position.y()));
    Command2->setEnabled(false);
    RichTextBox1->setTextRTF({});
}

void ClassificationExportWindow::Command1_Click()
{
    BankStore store = BankStore::openBank();
    exportInto(store, RichTextBox1->document());
    // The document was built in place, not pasted through the clipboard;
    // the clipboard is left empty all the same, as an export always left it.
    Clipboard::Clear();
    RichTextBox1->moveCursor(QTextCursor::Start);
    Command2->setEnabled(true);
}

void ClassificationExportWindow::Command2_Click()
{
    // No filter and no default extension: the file gets exactly the name chosen.
    const QString fileName = dialogs().saveFileName(this, u"另存为"_s, QString());
    if (fileName.isEmpty())
        return;
    QString error;
    if (!RichTextBox1->SaveFile(fileName, &error))
        dialogs().message(this, u"提示"_s, error);
}

void ClassificationExportWindow::Command3_Click()
{
    // The window is discarded (its frame closes it with WA_DeleteOnClose);
    // the next 导出 command makes it anew, empty.
    close();
}
