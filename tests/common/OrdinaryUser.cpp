// The one POSIX-only piece of the tests.
#include "common/OrdinaryUser.h"

#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
constexpr uid_t kNobody = 65534;
#endif
} // namespace

OrdinaryUser::OrdinaryUser(const QStringList& paths)
{
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        return;
    for (const QString& path : paths) {
        if (chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            qFatal("cannot hand %s to the ordinary account", qPrintable(path));
    }
    if (setegid(kNobody) != 0 || seteuid(kNobody) != 0)
        qFatal("cannot take the ordinary account's identity");
    switched_ = true;
#else
    Q_UNUSED(paths);
#endif
}

OrdinaryUser::~OrdinaryUser()
{
#ifdef Q_OS_UNIX
    if (switched_ && (seteuid(0) != 0 || setegid(0) != 0))
        qFatal("cannot return to root");
#endif
}
