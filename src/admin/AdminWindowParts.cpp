#include "admin/AdminWindowParts.h"

#include "ui/Twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace AdminWindowParts {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* textBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit* passwordBox(QWidget* parent, const char* name)
{
    QLineEdit* box = textBox(parent, name);
    box->setEchoMode(QLineEdit::Password);
    // "*" for every character, as the old password boxes showed them.
    box->setStyleSheet(u"QLineEdit { lineedit-password-character: 42; }"_s);
    return box;
}

QLabel* label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    if (buddy) {
        l->setBuddy(buddy);
        buddy->setAccessibleName(text);
    }
    return l;
}

QLabel* heading(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSize(16);
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void place(QWidget* window, int left, int top, int width, int height)
{
    window->resize(twipsSize(width, height));
    window->move(twipsPoint(left, top));
}

QGroupBox* fileFrame(QWidget* parent, const QString& tip, const QString& label, QLineEdit* path,
                     QPushButton* choose)
{
    auto* frame = new QGroupBox(u"选择数据源"_s, parent);
    frame->setObjectName(u"Frame1"_s);
    frame->setToolTip(tip);
    path->setReadOnly(true);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(AdminWindowParts::label(frame, label, path));
    row->addWidget(path, 1);
    row->addWidget(choose);
    return frame;
}

QGroupBox* actionFrame(QWidget* parent, const QString& title, QPushButton* start, QPushButton* quit)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(u"Frame2"_s);
    auto* buttons = new QHBoxLayout(frame);
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addSpacing(30);
    buttons->addWidget(quit);
    buttons->addStretch();
    return frame;
}

} // namespace AdminWindowParts
