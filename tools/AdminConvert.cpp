// tiku-admin convert FILE --to text|html|rtf: reads an RTF document the way
// the program does and prints what it made of it.
#include "AdminCommands.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaHtml.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fputs(("tiku-admin convert: "_L1 + message + u'\n').toUtf8().constData(), stderr);
}

int usage()
{
    fail(u"usage: tiku-admin convert FILE --to text|html|rtf"_s);
    return 2;
}

// Standard output takes the bytes as they are: no line-end translation.
bool writeStdout(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

} // namespace

int runConvert(const QStringList& args)
{
    QString fileName;
    QString format;
    bool haveFormat = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == u"--to") {
            if (haveFormat || i + 1 >= args.size())
                return usage();
            format = args.at(++i);
            haveFormat = true;
        } else if (arg.startsWith(u"--to=")) {
            if (haveFormat)
                return usage();
            format = arg.mid(5);
            haveFormat = true;
        } else if (arg.startsWith(u'-')) {
            return usage();
        } else if (fileName.isEmpty()) {
            fileName = arg;
        } else {
            return usage();
        }
    }
    if (fileName.isEmpty() || !haveFormat)
        return usage();
    if (format != u"text" && format != u"html" && format != u"rtf") {
        fail(u"unknown output format \"%1\" (use text, html or rtf)"_s.arg(format));
        return 1;
    }

    QFile file(fileName);
    if (!QFileInfo::exists(fileName)) {
        fail(u"%1: no such file"_s.arg(fileName));
        return 1;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        fail(u"cannot read %1: %2"_s.arg(fileName, file.errorString()));
        return 1;
    }
    const QByteArray rtf = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        fail(u"cannot read %1: %2"_s.arg(fileName, file.errorString()));
        return 1;
    }

    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QByteArray out;
    int leftForTime = 0;
    if (format == u"text")
        out = (rtf::visibleText(doc) + u'\n').toUtf8(); // every line ends with a line end
    else if (format == u"html")
        out = htmlWithFormulas(doc, FormulaEngine::instance(), &leftForTime).toUtf8(); // formulas as SVG
    else
        out = RtfWriter::write(doc);
    if (leftForTime > 0) {
        // The page is whole all the same: those formulas show as their pictures.
        fail(u"排版公式用时超过 %1 秒，其余 %2 个公式写成了图片。"_s.arg(kFormulaHtmlTimeBudgetMs / 1000)
                 .arg(leftForTime));
    }
    if (!writeStdout(out)) {
        fail(u"cannot write to standard output"_s);
        return 1;
    }
    return 0;
}
