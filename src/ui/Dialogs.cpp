#include "ui/Dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

class RealDialogs final : public Dialogs
{
public:
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
        box.button(QMessageBox::Ok)->setText(u"确定"_s);
        box.exec();
    }

    bool question(QWidget* parent, const QString& title, const QString& text, Icon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.button(QMessageBox::Yes)->setText(u"是(&Y)"_s);
        box.button(QMessageBox::No)->setText(u"否(&N)"_s);
        return box.exec() == QMessageBox::Yes;
    }

    std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& defaultText) override
    {
        QInputDialog box(parent);
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setTextValue(defaultText);
        box.setOkButtonText(u"确定"_s);
        box.setCancelButtonText(u"取消"_s);
        if (box.exec() != QDialog::Accepted)
            return std::nullopt;
        return box.textValue();
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                         const QString& filter) override
    {
        return QFileDialog::getSaveFileName(parent, title, proposedName, filter);
    }

    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }
};

RealDialogs realDialogs;
Dialogs* current = nullptr;

} // namespace

Dialogs& dialogs()
{
    return current ? *current : static_cast<Dialogs&>(realDialogs);
}

void setDialogs(Dialogs* d)
{
    current = d;
}

Dialogs* installedDialogs()
{
    return current;
}

bool useChineseQtTexts()
{
    static QTranslator* qtTexts = nullptr;
    if (qtTexts)
        return true;
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    qtTexts = translator.release();
    return true;
}
