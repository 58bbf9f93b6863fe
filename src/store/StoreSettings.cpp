#include "store/StoreSettings.h"

#include <atomic>
#include <cstdio>
#include <QMutex>
#include <QMutexLocker>

namespace {

std::atomic<int> busyTimeoutMs{5000};

struct NoticeHandler
{
    QMutex mutex;
    std::function<void(const QString&)> handler;
};

NoticeHandler& noticeHandler()
{
    static NoticeHandler h;
    return h;
}

} // namespace

int bankBusyTimeoutMs()
{
    return busyTimeoutMs.load();
}

void setBankBusyTimeout(int ms)
{
    busyTimeoutMs.store(ms < 0 ? 0 : ms);
}

void setBankNoticeHandler(std::function<void(const QString& text)> handler)
{
    NoticeHandler& h = noticeHandler();
    QMutexLocker lock(&h.mutex);
    h.handler = std::move(handler);
}

void noticeBank(const QString& text)
{
    std::function<void(const QString&)> handler;
    {
        NoticeHandler& h = noticeHandler();
        QMutexLocker lock(&h.mutex);
        handler = h.handler;
    }
    if (handler)
        handler(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
