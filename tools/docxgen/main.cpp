// docxgen: writes the sample papers into a folder, for a look in Word, WPS
// or LibreOffice, and the fuzzer's seeds.
//
//   docxgen OUTDIR
#include "docxgen/DocxPackage.h"
#include "docxgen/PaperSamples.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool save(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "docxgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: docxgen OUTDIR\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    QString omml;
    for (const docxgen::OmmlSample& s : docxgen::ommlSamples())
        omml += docxgen::paragraph(docxgen::run(s.name + u"："_s) + docxgen::oMath(s.omml));
    docxgen::DocxPackage formulas;
    formulas.add(omml);
    const bool ok = save(out.filePath(u"word-paper.docx"_s), docxgen::wordPaper()) &&
                    save(out.filePath(u"wps-paper.docx"_s), docxgen::wpsPaper()) &&
                    save(out.filePath(u"omml-samples.docx"_s), formulas.docx()) &&
                    save(out.filePath(u"paper30.docx"_s), docxgen::benchmarkPaper());
    return ok ? 0 : 1;
}
