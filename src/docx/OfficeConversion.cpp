#include "docx/OfficeConversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

std::optional<QString>& programOverride()
{
    static std::optional<QString> path;
    return path;
}

} // namespace

void setLibreOfficeProgram(const QString& path)
{
    programOverride() = path;
}

QString libreOfficeProgram()
{
    if (programOverride())
        return *programOverride();
    for (const QString& name : {u"soffice"_s, u"libreoffice"_s}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
#ifdef Q_OS_WIN
    // The installer does not put LibreOffice on the PATH.
    for (const QString& base :
         {qEnvironmentVariable("ProgramFiles"), qEnvironmentVariable("ProgramFiles(x86)")}) {
        const QString candidate = base + u"/LibreOffice/program/soffice.exe"_s;
        if (!base.isEmpty() && QFileInfo::exists(candidate))
            return candidate;
    }
#endif
    return {};
}

std::optional<QByteArray> convertWithLibreOffice(const QString& path, QString* error, int timeoutMs)
{
    auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString soffice = libreOfficeProgram();
    if (soffice.isEmpty())
        return fail(u"没有安装 LibreOffice"_s);
    QTemporaryDir work;
    if (!work.isValid())
        return fail(u"无法建立临时文件夹"_s);
    // A name of plain letters: LibreOffice names its output after the input.
    const QString input = work.filePath(u"paper."_s + QFileInfo(path).suffix().toLower());
    if (!QFile::copy(path, input))
        return fail(u"无法读取文件“%1”"_s.arg(QDir::toNativeSeparators(path)));
    const QString outDir = work.filePath(u"out"_s);
    QDir().mkpath(outDir);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(soffice,
            {u"-env:UserInstallation="_s + QUrl::fromLocalFile(work.filePath(u"profile"_s)).toString(),
             u"--headless"_s, u"--norestore"_s, u"--convert-to"_s, u"docx"_s, u"--outdir"_s, outDir, input});
    if (!p.waitForStarted(30000))
        return fail(u"LibreOffice 无法启动：%1"_s.arg(p.errorString()));
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return fail(u"LibreOffice 转换超时"_s);
    }
    QFile out(QDir(outDir).filePath(u"paper.docx"_s));
    if (p.exitStatus() != QProcess::NormalExit || !out.open(QIODevice::ReadOnly)) {
        const QString said = QString::fromLocal8Bit(p.readAll()).trimmed().left(300);
        return fail(u"LibreOffice 未能转换这个文件"_s +
                    (said.isEmpty() ? QString() : u"（"_s + said + u"）"_s));
    }
    return out.readAll();
}

} // namespace docx
