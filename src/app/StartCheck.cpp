#include "app/StartCheck.h"

#include "admin/BankRescue.h"
#include "app/CoverFrm.h"
#include "app/frmdl.h"
#include "app/frmSplash.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/WindowRegistry.h"

#include <cstdio>
#include <memory>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

void say(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

} // namespace

int StartCheck::checkBank()
{
    const QString bank = QDir::toNativeSeparators(bankFilePath());
    try {
        if (const std::optional<QString> problem = BankRescue::problemWith(bankFilePath())) {
            say(stderr, u"tiku: the bank %1 cannot be used: %2"_s.arg(bank, *problem));
            return 1;
        }
        // The rescue's checks leave out what is wrong with the machine rather
        // than the file (Qt's SQLite driver not installed, the bank not
        // readable by this user): read from it, as the login will.
        BankStore::openBank().questionCount();
    } catch (const StoreError& e) {
        say(stderr, u"tiku: the bank %1 cannot be opened: %2"_s.arg(bank, e.text));
        return 1;
    }
    return 0;
}

void StartCheck::quitOnceLoginShows(int timeLimitMs)
{
    CoverFrm::setColumnDelay(0);
    auto* poll = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>();
    auto said = std::make_shared<bool>(false);
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [clock, said, timeLimitMs] {
        WindowRegistry& windows = WindowRegistry::instance();
        if (auto* login = windows.existing<frmdl>(); login && login->isVisible()) {
            if (!*said)
                say(stdout, u"login window shown; bank: %1"_s.arg(QDir::toNativeSeparators(bankFilePath())));
            *said = true;
            // Asked again at every tick: a message box opened meanwhile runs
            // an event loop of its own, which a single exit() would not end.
            QCoreApplication::exit(0);
            return;
        }
        if (auto* about = windows.existing<frmSplash>(); about && about->isVisible()) {
            about->Command1_Click();
            return;
        }
        if (clock->hasExpired(timeLimitMs)) {
            say(stderr, u"tiku: the login window did not show within %1 seconds"_s.arg(timeLimitMs / 1000));
            QCoreApplication::exit(3);
        }
    });
    poll->start(50);
}
