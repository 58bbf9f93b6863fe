#include "store/FileErrors.h"

#include <algorithm>
#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

StoreError cannotWrite(const QString& path, const QString& why)
{
    return StoreError(StoreErrorNumber::CannotOpen,
                      u"不能把文件写到“%1”：%2"_s.arg(QDir::toNativeSeparators(path), why));
}

StoreError writeFailure(const QString& shownAs, const QFileDevice& file, qint64 remaining)
{
    const QStorageInfo volume(QFileInfo(shownAs).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < std::max<qint64>(remaining, 64 << 10)) {
        return StoreError(StoreErrorNumber::DiskFull,
                          u"磁盘已满，不能把文件写到“%1”。"_s.arg(QDir::toNativeSeparators(shownAs)));
    }
    return cannotWrite(shownAs, file.errorString());
}

StoreError sameFileError(const QString& path)
{
    return StoreError(StoreErrorNumber::CannotOpen,
                      u"“%1”就是题库文件本身，不能对它自己操作。"_s.arg(QDir::toNativeSeparators(path)));
}
