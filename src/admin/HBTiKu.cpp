#include "admin/HBTiKu.h"

#include "admin/AdminWindowParts.h"
#include "admin/BankMaintenance.h"
#include "admin/frmbackup.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
namespace Parts = AdminWindowParts;

HBTiKu::HBTiKu(QWidget* parent)
    : QWidget(parent), Text1(Parts::textBox(this, "Text1")),
      Command1(Parts::button(this, "Command1", u"选择"_s, u"选择外部题库的位置"_s)),
      Command3(Parts::button(this, "Command3", u"开始合并"_s, u"单击即可完成题库合并"_s)),
      Command4(Parts::button(this, "Command4", u"退  出"_s)), ProgressBar1(new QProgressBar(this))
{
    setObjectName(u"HBTiKu"_s);
    setWindowTitle(u"合并题库"_s);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setAccessibleName(u"合并进度"_s);
    ProgressBar1->hide();

    auto* source =
        Parts::fileFrame(this, u"在这里可以把外部题库合并进来"_s, u"打开数据源题库："_s, Text1, Command1);
    auto* actions = Parts::actionFrame(this, u"操作选项"_s, Command3, Command4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Parts::heading(this, u"合并题库……"_s));
    layout->addWidget(source);
    layout->addWidget(actions);
    layout->addWidget(ProgressBar1);

    connectAction(Command1, &QPushButton::clicked, this, &HBTiKu::Command1_Click);
    connectAction(Command3, &QPushButton::clicked, this, &HBTiKu::Command3_Click);
    connectAction(Command4, &QPushButton::clicked, this, &HBTiKu::Command4_Click);

    Parts::place(this, 2000, 1000, 6945, 3465);
}

QSize HBTiKu::sizeHint() const
{
    return twipsSize(6945, 3465);
}

void HBTiKu::Command1_Click()
{
    // A cancelled dialog leaves the name chosen before.
    const QString chosen = dialogs().openFileName(this, u"打开"_s, frmbackup::fileFilter());
    if (!chosen.isEmpty())
        Text1->setText(chosen);
}

void HBTiKu::showProgress(qint64 done, qint64 total)
{
    if (total <= kProgressFrom)
        return;
    if (!ProgressBar1->isVisible()) {
        ProgressBar1->setRange(0, 1000);
        ProgressBar1->show();
    }
    ProgressBar1->setValue(int(done * 1000 / total));
    // Painted now; clicks wait until the merge is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void HBTiKu::Command3_Click()
{
    const QString source = Text1->text();
    if (source.isEmpty()) {
        dialogs().message(this, u"温馨提示："_s, u"请选择题库源文件"_s);
        Command1->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!dialogs().question(this, u"郑重提示"_s, u"您是否确定合并题库？"_s + source))
        return;

    BankMaintenance::MergeResult result;
    {
        // The window waits for the merge; nothing in it can start another meanwhile.
        setEnabled(false);
        const auto done = qScopeGuard([this] {
            ProgressBar1->hide();
            setEnabled(true);
        });
        result = BankMaintenance::merge(source, bankFilePath(),
                                        [this](qint64 n, qint64 total) { showProgress(n, total); });
    }
    if (!result.merged) {
        dialogs().message(this, u"温馨提示："_s, result.refusal);
        return;
    }
    dialogs().message(this, u"温馨提示："_s, BankMaintenance::mergedMessage(result));
}

void HBTiKu::Command4_Click()
{
    close();
}
