#include "admin/HFTKU.h"

#include "admin/AdminWindowParts.h"
#include "admin/BankMaintenance.h"
#include "admin/frmbackup.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
namespace Parts = AdminWindowParts;

HFTKU::HFTKU(QWidget* parent)
    : QWidget(parent), Text1(Parts::textBox(this, "Text1")),
      Command1(Parts::button(this, "Command1", u"选择"_s, u"单击打开以前备份的题库"_s)),
      Command3(Parts::button(this, "Command3", u"开始恢复"_s)),
      Command4(Parts::button(this, "Command4", u"退  出"_s))
{
    setObjectName(u"HFTKU"_s);
    setWindowTitle(u"恢复题库"_s);

    auto* source = Parts::fileFrame(this, u"在这里可以把以前备份的题库恢复进来"_s, u"打开源数据题库："_s,
                                    Text1, Command1);
    auto* actions = Parts::actionFrame(this, u"操作项目"_s, Command3, Command4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Parts::heading(this, u"恢复题库"_s));
    layout->addWidget(source);
    layout->addWidget(actions);
    auto* note = new QLabel(u"请慎重选择恢复操作，以确保数据不丢失。"_s, this);
    note->setObjectName(u"Label2"_s);
    layout->addWidget(note);

    connectAction(Command1, &QPushButton::clicked, this, &HFTKU::Command1_Click);
    connectAction(Command3, &QPushButton::clicked, this, &HFTKU::Command3_Click);
    connectAction(Command4, &QPushButton::clicked, this, &HFTKU::Command4_Click);

    Parts::place(this, 2000, 1000, 7170, 3840);
}

QSize HFTKU::sizeHint() const
{
    return twipsSize(7170, 3840);
}

void HFTKU::Command1_Click()
{
    // A cancelled dialog leaves the name chosen before.
    const QString chosen = dialogs().openFileName(this, u"打开"_s, frmbackup::fileFilter());
    if (!chosen.isEmpty())
        Text1->setText(chosen);
}

void HFTKU::Command3_Click()
{
    const QString source = Text1->text();
    if (source.isEmpty()) {
        dialogs().message(this, u"警告"_s, u"请选择题库源文件"_s);
        return;
    }
    // A file that cannot be restored is refused before the teacher is asked
    // to be sure of it.
    if (const QString refusal = BankMaintenance::restoreRefusal(source, bankFilePath()); !refusal.isEmpty()) {
        dialogs().message(this, u"警告"_s, refusal);
        return;
    }
    if (!dialogs().question(this, u"郑重提示"_s, u"您是否确定恢复题库？"_s + source))
        return;
    // A failure is a store error (reported where every one is); its text
    // says what became of the bank.
    const BankMaintenance::RestoreResult result = BankMaintenance::restore(source, bankFilePath());
    if (!result.restored) {
        dialogs().message(this, u"警告"_s, result.refusal);
        return;
    }
    dialogs().message(this, u"提示"_s, BankMaintenance::restoredMessage(result));
}

void HFTKU::Command4_Click()
{
    close();
}
