#include "admin/AutomaticBackup.h"
#include "app/CoverArt.h"
#include "app/CoverFrm.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/ProgramStyle.h"
#include "ui/SongtiFont.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"青桐题库"_s);
    applyProgramFont();
    applyProgramStyle();
    if (!useChineseQtTexts())
        qWarning(
            "Qt's Chinese translation (qtbase_zh_CN.qm) is not installed: Qt's own dialogs stay English.");
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(drawLogo())));

    // What the store did on its own (a restore cut off earlier, undone when
    // the bank was opened) is told once the action that opened it is over.
    setBankNoticeHandler([](const QString& text) {
        QMetaObject::invokeMethod(
            qApp, [text] { messageBox(QApplication::activeWindow(), u"提示"_s, text); },
            Qt::QueuedConnection);
    });

    // The windows decide when the program ends (the about window's 退出, the
    // login's 退出, the main window's 退出系统).
    QApplication::setQuitOnLastWindowClosed(true);
    auto* cover = WindowRegistry::instance().window<CoverFrm>();
    cover->setAttribute(Qt::WA_DeleteOnClose);
    cover->show();
    const int rc = QApplication::exec();
    // Every window and its connections are gone before the bank is copied.
    WindowRegistry::instance().discardAll();
    AutomaticBackup::atProgramEnd(bankFilePath());
    return rc;
}
