#include "admin/AutomaticBackup.h"
#include "app/CoverArt.h"
#include "app/CoverFrm.h"
#include "app/StartCheck.h"
#include "app/StartOptions.h"
#include "BuildInfo.h"
#include "store/BankLocation.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/Dialogs.h"
#include "ui/ProgramStyle.h"
#include "ui/SongtiFont.h"
#include "ui/WindowRegistry.h"

#include <cstdio>
#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

namespace {

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char** argv)
{
    // --version and --help answer before QApplication, which needs a display.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    if (const StartOptions asked = parseStartOptions(raw); asked.version || asked.help) {
        print(stdout, asked.version ? versionLine(u"tiku"_s) + u'\n' : startUsage());
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(u"青桐题库"_s);
    QApplication::setApplicationVersion(QString::fromLatin1(BuildInfo::kVersion));
    // The desktop file of an installed copy: its name and icon for the window.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(BuildInfo::kAppId));
    const StartOptions options = parseStartOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        print(stderr, u"tiku: "_s + options.error + u"\n\n"_s + startUsage());
        return 2;
    }

    applyProgramFont();
    applyProgramStyle();
    if (!useChineseQtTexts())
        qWarning(
            "Qt's Chinese translation (qtbase_zh_CN.qm) is not installed: Qt's own dialogs stay English.");
    QApplication::setWindowIcon(programIcon());

    // What the store did on its own (a restore cut off earlier, undone when
    // the bank was opened) is told once the action that opened it is over.
    setBankNoticeHandler([](const QString& text) {
        QMetaObject::invokeMethod(
            qApp, [text] { messageBox(QApplication::activeWindow(), u"提示"_s, text); },
            Qt::QueuedConnection);
    });

    // The bank's place is chosen once; an installed copy makes the user's
    // bank from its template at the first start.
    const BankLocation location = chooseBankLocation(options.bank, programDirectory(), userDataDirectory());
    setBankFilePath(location.bank);
    if (const QString failure = provideBank(location); !failure.isEmpty()) {
        if (options.startCheck) {
            print(stderr, u"tiku: "_s + failure + u'\n');
            return 1;
        }
        // The login window then says that the bank is missing, and offers a restore.
        messageBox(nullptr, u"警告"_s, failure);
    }
    if (options.startCheck) {
        if (const int rc = StartCheck::checkBank(); rc != 0)
            return rc;
        StartCheck::quitOnceLoginShows();
    }

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
