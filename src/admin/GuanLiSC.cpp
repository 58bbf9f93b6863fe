#include "admin/GuanLiSC.h"

#include "admin/AdminWindowParts.h"
#include "admin/UserAdministration.h"
#include "ui/Dialogs.h"
#include "ui/StoreAction.h"
#include "ui/Twips.h"
#include "ui/TypedComboBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
namespace Parts = AdminWindowParts;
using UserAdministration::BrowseStep;

GuanLiSC::GuanLiSC(QWidget* parent)
    : QWidget(parent), Text3(Parts::textBox(this, "Text3")), Text2(Parts::passwordBox(this, "Text2")),
      Combo1(new QComboBox(this)), Command1(Parts::button(this, "Command1", u"下一个"_s)),
      Command3(Parts::button(this, "Command3", u"上一个"_s)),
      Command2(Parts::button(this, "Command2", u"删  除"_s)),
      Command4(Parts::button(this, "Command4", u"退  出"_s))
{
    setObjectName(u"GuanLiSC"_s);
    setWindowTitle(u"删除人员"_s);
    Combo1->setObjectName(u"Combo1"_s);
    makeEditableAsTyped(Combo1); // shows the role text; no items

    auto* frame = new QGroupBox(u"删除"_s, this);
    frame->setObjectName(u"Frame1"_s);
    frame->setToolTip(u"在这里删除题库使用者"_s);
    auto* grid = new QGridLayout(frame);
    const std::pair<QString, QWidget*> rows[] = {
        {u"姓    名："_s, Text3}, {u"口    令："_s, Text2}, {u"人员类型："_s, Combo1}};
    int row = 0;
    for (const auto& [caption, box] : rows) {
        grid->addWidget(Parts::label(frame, caption, box), row, 0);
        grid->addWidget(box, row++, 1);
    }
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 0);
    buttons->addWidget(Command3, 0, 1);
    buttons->addWidget(Command2, 1, 0);
    buttons->addWidget(Command4, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connectAction(Command1, &QPushButton::clicked, this, &GuanLiSC::Command1_Click);
    connectAction(Command3, &QPushButton::clicked, this, &GuanLiSC::Command3_Click);
    connectAction(Command2, &QPushButton::clicked, this, &GuanLiSC::Command2_Click);
    connectAction(Command4, &QPushButton::clicked, this, &GuanLiSC::Command4_Click);

    Parts::place(this, 4000, 1000, 3840, 3150);
}

QSize GuanLiSC::sizeHint() const
{
    return twipsSize(3840, 3150);
}

QString GuanLiSC::passwordMask()
{
    return u"******"_s;
}

void GuanLiSC::emptyBoxes()
{
    Text3->clear();
    Text2->clear();
    shown_ = {};
}

void GuanLiSC::showUser(const StoredUser& user)
{
    shown_ = user;
    Text3->setText(user.user.name);
    Text2->setText(passwordMask());
    Combo1->setEditText(user.user.role);
}

qint64 GuanLiSC::shownId() const
{
    return shown_.id >= 0 && Text3->text() == shown_.user.name ? shown_.id : -1;
}

void GuanLiSC::refuse(const UserAdministration::DeletePlan& plan, const QString& name)
{
    using UserAdministration::DeleteProblem;
    QString text;
    switch (plan.problem) {
    case DeleteProblem::None:
        return;
    case DeleteProblem::EmptyName:
        text = u"请输入姓名！没有删除任何记录。"_s;
        break;
    case DeleteProblem::NoSuchUser:
        text = u"没有此人（可能已被删除）！没有删除任何记录。"_s;
        break;
    case DeleteProblem::LoggedInUser:
        text = u"“%1”是当前登录的人员，不能删除自己！没有删除任何记录。"_s.arg(name);
        break;
    case DeleteProblem::LastSuperAdmin:
        text =
            u"“%1”是系统中唯一的超级管理人员，删除后将无人能管理人员和题库！没有删除任何记录。"_s.arg(name);
        break;
    }
    dialogs().message(this, u"删除失败"_s, text, Dialogs::Icon::Critical);
    Text3->setFocus(Qt::OtherFocusReason);
}

void GuanLiSC::Command1_Click()
{
    emptyBoxes();
    const BrowseStep step = UserAdministration::nextUser();
    if (step.kind != BrowseStep::Shown) {
        dialogs().message(this, u"提示"_s, u"没有查到任何记录或已到最后，没有啦！"_s);
        return;
    }
    showUser(step.user);
}

void GuanLiSC::Command3_Click()
{
    emptyBoxes();
    const BrowseStep step = UserAdministration::previousUser();
    if (step.kind == BrowseStep::BeforeStart) {
        dialogs().message(this, u"提示"_s, u"已经到最前面，没有啦！"_s);
        return;
    }
    if (step.kind == BrowseStep::PastEnd) {
        dialogs().message(this, u"提示"_s, u"没有查到任何记录或已到最后，没有啦！"_s);
        return;
    }
    showUser(step.user);
}

void GuanLiSC::Command2_Click()
{
    using UserAdministration::DeleteProblem;
    const QString name = Text3->text();
    const qint64 shown = shownId();
    // Checked before asking: a refusal needs no confirmation.
    const UserAdministration::DeletePlan planned = UserAdministration::planDeletion(name, shown);
    if (planned.problem != DeleteProblem::None) {
        refuse(planned, name);
        return;
    }
    QString question = u"您是否确定删除当前记录？"_s + u"姓名："_s + name;
    if (planned.rows.size() > 1)
        question += u"（共有%1位同名人员，将一并删除）"_s.arg(planned.rows.size());
    if (!dialogs().question(this, u"提示"_s, question))
        return;
    // Checked again as the rows go: the bank may have changed while the question was open.
    const UserAdministration::DeletePlan done = UserAdministration::deleteUsers(name, shown);
    if (done.problem != DeleteProblem::None) {
        refuse(done, name);
        return;
    }
    dialogs().message(this, u"提示"_s, u"记录已被删除！"_s);
    emptyBoxes();
}

void GuanLiSC::Command4_Click()
{
    close();
}
