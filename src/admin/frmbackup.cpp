#include "admin/frmbackup.h"

#include "admin/AdminWindowParts.h"
#include "admin/BankMaintenance.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
namespace Parts = AdminWindowParts;

namespace {
const QString kTryAgain = u"请关闭退出后再重新运行程序然后备份！"_s;
}

frmbackup::frmbackup(QWidget* parent)
    : QWidget(parent), Text2(Parts::textBox(this, "Text2")),
      Command2(Parts::button(this, "Command2", u"选择"_s, u"单击选择题库备份的位置"_s)),
      Command3(Parts::button(this, "Command3", u"开始备份"_s)),
      Command4(Parts::button(this, "Command4", u"退  出"_s))
{
    setObjectName(u"frmbackup"_s);
    setWindowTitle(u"备份题库"_s);
    Text2->setReadOnly(true);
    Text2->setToolTip(u"在这里可以把题库备份防止损失数据"_s);

    auto* frame = new QGroupBox(u"操作项目"_s, this);
    frame->setObjectName(u"Frame1"_s);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(Parts::label(frame, u"保存的位置："_s, Text2), 0, 0);
    grid->addWidget(Text2, 0, 1);
    grid->addWidget(Command2, 0, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command3);
    buttons->addSpacing(30);
    buttons->addWidget(Command4);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 0, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Parts::heading(this, u"备份题库"_s));
    layout->addWidget(frame);
    auto* note = new QLabel(u"请经常备份题库，以确保数据不丢失。"_s, this);
    note->setObjectName(u"Label2"_s);
    layout->addWidget(note);

    connectAction(Command2, &QPushButton::clicked, this, &frmbackup::Command2_Click);
    connectAction(Command3, &QPushButton::clicked, this, &frmbackup::Command3_Click);
    connectAction(Command4, &QPushButton::clicked, this, &frmbackup::Command4_Click);

    Parts::place(this, 2000, 1000, 7200, 3450);
}

QSize frmbackup::sizeHint() const
{
    return twipsSize(7200, 3450);
}

QString frmbackup::fileFilter()
{
    return u"数据库文件(*.mdb)"_s;
}

void frmbackup::Command2_Click()
{
    const QString proposed = u"dbbackup.mdb"_s;
    // Proposed in the folder saved into last; a name typed without an
    // extension gets .mdb.
    const QString chosen = askSaveFileName(this, u"另存为"_s, proposed, fileFilter());
    // A cancelled dialog still hands over its file name: the proposed one.
    Text2->setText(chosen.isEmpty() ? proposed : chosen);
}

void frmbackup::Command3_Click()
{
    if (Text2->text().isEmpty()) {
        dialogs().message(this, u"温馨提示"_s, u"请选择备份题库存放的目录"_s);
        return;
    }
    if (!dialogs().question(this, u"郑重提示"_s, u"您是否确定备份题库？"_s)) {
        dialogs().message(this, u"温馨提示"_s, kTryAgain);
        return;
    }
    try {
        BankMaintenance::backup(bankFilePath(), Text2->text());
    } catch (const StoreError& e) {
        // Whatever stopped the copy, the bank is untouched and no half-written
        // file is left. A full disk is no matter of running the program
        // again: it is said as it is. Otherwise the old message says what to do.
        if (e.number == StoreErrorNumber::DiskFull) {
            dialogs().message(
                this, u"温馨提示"_s,
                u"磁盘已满，题库没有备份到“%1”。请换一个有空余空间的位置，或者清理磁盘后再备份。"_s.arg(
                    QDir::toNativeSeparators(QFileInfo(Text2->text()).absoluteFilePath())));
            return;
        }
        dialogs().message(this, u"温馨提示"_s, kTryAgain);
        return;
    }
    dialogs().message(this, u"提示"_s, u"题库备份成功！"_s);
}

void frmbackup::Command4_Click()
{
    close();
}
