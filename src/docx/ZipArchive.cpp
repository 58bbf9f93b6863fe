#include "docx/ZipArchive.h"

#include <QBuffer>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

QString folded(QString name)
{
    if (name.startsWith(u'/'))
        name.remove(0, 1);
    return name.toLower();
}

} // namespace

ZipArchive::~ZipArchive()
{
    if (zip_)
        zip_->close();
}

bool ZipArchive::looksLikeZip(const QByteArray& data)
{
    return data.startsWith("PK\x03\x04") || data.startsWith("PK\x05\x06");
}

std::unique_ptr<ZipArchive> ZipArchive::open(QByteArray data, QString* error, const ArchiveLimits& limits)
{
    auto fail = [&](const QString& why) -> std::unique_ptr<ZipArchive> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (!looksLikeZip(data))
        return fail(u"不是 zip 压缩包"_s);
    std::unique_ptr<ZipArchive> a(new ZipArchive);
    a->data_ = std::move(data);
    a->limits_ = limits;
    a->buffer_ = std::make_unique<QBuffer>(&a->data_);
    a->buffer_->open(QIODevice::ReadOnly);
    a->zip_ = std::make_unique<QuaZip>(a->buffer_.get());
    if (!a->zip_->open(QuaZip::mdUnzip))
        return fail(u"压缩包的目录已损坏（错误 %1）"_s.arg(a->zip_->getZipError()));
    const int count = a->zip_->getEntriesCount();
    if (count < 0)
        return fail(u"压缩包的目录已损坏"_s);
    if (count > limits.maxEntries)
        return fail(u"压缩包中有 %1 个文件，超过了 %2 个的上限"_s.arg(count).arg(limits.maxEntries));
    for (bool more = a->zip_->goToFirstFile(); more; more = a->zip_->goToNextFile()) {
        const QString name = a->zip_->getCurrentFileName();
        a->names_ << name;
        a->byFolded_.insert(folded(name), name);
        if (a->names_.size() > limits.maxEntries)
            return fail(u"压缩包中的文件超过了 %1 个的上限"_s.arg(limits.maxEntries));
    }
    if (a->zip_->getZipError() != UNZ_OK)
        return fail(u"压缩包的目录已损坏（错误 %1）"_s.arg(a->zip_->getZipError()));
    return a;
}

bool ZipArchive::contains(const QString& name) const
{
    return byFolded_.contains(folded(name));
}

std::optional<QByteArray> ZipArchive::read(const QString& name, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const auto found = byFolded_.constFind(folded(name));
    if (found == byFolded_.constEnd())
        return fail(u"压缩包中没有“%1”"_s.arg(name));
    if (!zip_->setCurrentFile(*found, QuaZip::csSensitive))
        return fail(u"压缩包中的“%1”无法读取"_s.arg(name));
    QuaZipFileInfo64 info;
    if (zip_->getCurrentFileInfo(&info) && info.isEncrypted())
        return fail(u"“%1”设有密码（已加密）"_s.arg(name));

    QuaZipFile file(zip_.get());
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"压缩包中的“%1”已损坏（错误 %2）"_s.arg(name).arg(file.getZipError()));
    // The sizes in the directory can lie: what is unpacked is counted as it comes.
    const qint64 allowed = std::min(limits_.maxEntryBytes, limits_.maxTotalBytes - unpacked_);
    QByteArray out;
    if (info.uncompressedSize > 0 && qint64(info.uncompressedSize) <= allowed)
        out.reserve(qsizetype(info.uncompressedSize));
    char chunk[65536];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            file.close();
            return fail(u"压缩包中的“%1”已损坏"_s.arg(name));
        }
        if (n == 0)
            break;
        if (out.size() + n > allowed) {
            file.close();
            if (allowed == limits_.maxEntryBytes) {
                return fail(u"“%1”解压后超过 %2 MB 的上限，可能是恶意构造的压缩文件"_s.arg(
                    name, megabytes(limits_.maxEntryBytes)));
            }
            return fail(u"文件解压后超过 %1 MB 的上限，可能是恶意构造的压缩文件"_s.arg(
                megabytes(limits_.maxTotalBytes)));
        }
        out.append(chunk, qsizetype(n));
    }
    file.close();
    // A wrong checksum shows only once the whole entry has been read.
    if (file.getZipError() != UNZ_OK)
        return fail(u"压缩包中的“%1”已损坏（校验和不符）"_s.arg(name));
    unpacked_ += out.size();
    return out;
}

} // namespace docx
