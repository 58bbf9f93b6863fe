#include "app/HelpWindow.h"

#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent), browser_(new QTextBrowser(this))
{
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"使用帮助"_s);
    browser_->setObjectName(u"helpBrowser"_s);
    browser_->setOpenExternalLinks(false);
    browser_->setAccessibleName(u"使用帮助"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(720, 520);
}

QString HelpWindow::helpFilePath()
{
    return shippedFile(u"帮助.html"_s);
}

bool HelpWindow::load()
{
    const QString path = helpFilePath();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogs().message(this, u"提示"_s,
                          u"找不到帮助文件“%1”，请重新安装本程序。"_s.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    browser_->setSearchPaths({QFileInfo(path).absolutePath()});
    browser_->setHtml(QString::fromUtf8(f.readAll()));
    return true;
}
