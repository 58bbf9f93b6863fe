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
#include <QTextDocument>
#include <QVBoxLayout>

#include <memory>

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

ClassificationExportWindow::ClassificationExportWindow(const QString& caption, const QString& fileBase,
                                                       QSize size, QPoint position, QWidget* parent)
    : QWidget(parent), RichTextBox1(new RichTextBox(this)),
      Command1(makeButton(u"Command1"_s, u"导  出"_s, this)),
      Command2(makeButton(u"Command2"_s, u"保  存"_s, this)),
      Command3(makeButton(u"Command3"_s, u"退  出"_s, this)), fileBase_(fileBase),
      size_(twipsSize(size.width(), size.height()))
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
    // Built apart and handed to the box whole: the box then lays out the part
    // in sight at once and the rest in steps while the program waits for the
    // user. Built inside the box, all of it would be laid out before anything
    // shows, most of a second for 10,000 lines.
    auto built = std::make_unique<QTextDocument>();
    built->setDefaultFont(RichTextBox1->document()->defaultFont());
    exportInto(store, built.get());
    // The window keeps it; the box, made before it, is deleted before it.
    built->setParent(this);
    RichTextBox1->setDocument(built.get());
    delete exported_; // the document of an earlier export, shown no more
    exported_ = built.release();
    // The document was built directly, not pasted through the clipboard;
    // the clipboard is left empty all the same, as an export always left it.
    Clipboard::Clear();
    RichTextBox1->moveCursor(QTextCursor::Start);
    Command2->setEnabled(true);
}

void ClassificationExportWindow::Command2_Click()
{
    // No filter and no default extension: the file gets exactly the name chosen.
    const QString fileName = askSaveFileName(this, u"另存为"_s, datedFileName(fileBase_, u"rtf"_s));
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
