#include "common/MemoryLimits.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace memorylimits {

namespace {

quint32 crc32(const QByteArray& bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char b : bytes)
        crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void putBe32(QByteArray& out, quint32 v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((v >> shift) & 0xFF));
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray typed = QByteArray(type, 4) + data;
    QByteArray out;
    putBe32(out, quint32(data.size()));
    out += typed;
    putBe32(out, crc32(typed));
    return out;
}

} // namespace

QByteArray largePng(int side, int variant)
{
    // The pixels are compressed once per size; the variants differ by a text chunk.
    static int madeSide = 0;
    static QByteArray head;
    static QByteArray tail;
    if (madeSide != side) {
        const qsizetype stride = 1 + qsizetype(side) * 3; // filter byte, RGB
        QByteArray raw(stride * side, char(0xFF));
        for (int y = 0; y < side; ++y) {
            raw[y * stride] = 0;
            char* pixel = raw.data() + y * stride + 1 + qsizetype(y) * 3;
            pixel[0] = pixel[1] = pixel[2] = 0x20;
        }
        QByteArray zlib = qCompress(raw, 6);
        zlib.remove(0, 4); // qCompress puts the length first; PNG takes the zlib stream
        raw.clear();
        QByteArray header;
        putBe32(header, quint32(side));
        putBe32(header, quint32(side));
        header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB
        head = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header);
        tail = chunk("IDAT", zlib) + chunk("IEND", {});
        madeSide = side;
    }
    return head + chunk("tEXt", "variant" + QByteArray(1, '\0') + QByteArray::number(variant)) + tail;
}

QByteArray rtfPicture(const QByteArray& png, int twips)
{
    return "{\\pict\\pngblip\\picwgoal" + QByteArray::number(twips) + "\\pichgoal" +
           QByteArray::number(twips) + " " + png.toHex() + "}";
}

QByteArray enormousPictureBody()
{
    return "{\\rtf1\\ansi x {\\pict\\pngblip\\picwgoal1500000\\pichgoal1500000 0000}}";
}

ChildRun runWithMemoryLimit(const QString& program, const QStringList& args, qint64 limitBytes)
{
    ChildRun run;
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    static QTemporaryDir runtime; // Qt wants a private runtime folder, or it warns
    const QByteArray outPath = QFile::encodeName(dir.filePath(u"out"_s));
    const QByteArray errPath = QFile::encodeName(dir.filePath(u"err"_s));

    // Everything the child needs is made before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& a : args)
        argBytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    std::vector<QByteArray> envBytes;
    for (const QString& e : env.toStringList())
        envBytes.push_back(e.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};

    const pid_t pid = fork();
    if (pid < 0)
        return run;
    if (pid == 0) {
        if (!kSanitized)
            setrlimit(RLIMIT_AS, &limit);
        const int out = open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0)
            return run;
        if (clock.elapsed() > 120000) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            return run;
        }
        QThread::msleep(10);
    }
    run.peakKb = usage.ru_maxrss; // kB on Linux
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile out(QFile::decodeName(outPath));
    if (out.open(QIODevice::ReadOnly))
        run.out = out.readAll();
    QFile err(QFile::decodeName(errPath));
    if (err.open(QIODevice::ReadOnly))
        run.err = err.readAll();
#else
    Q_UNUSED(program);
    Q_UNUSED(args);
    Q_UNUSED(limitBytes);
#endif
    return run;
}

namespace {

// A "Name:   123 kB" line of /proc/self/status (Linux).
qint64 statusKb(const QByteArray& name)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

qint64 residentKb()
{
    return statusKb("VmRSS");
}

qint64 addressSpaceKb()
{
    return statusKb("VmSize");
}

} // namespace memorylimits
