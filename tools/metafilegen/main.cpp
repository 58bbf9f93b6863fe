// metafilegen OUTDIR: writes the generated test pictures and equation
// objects into OUTDIR (formula.wmf, figure.wmf, figure.emf,
// quadratic.objdata, showcase-v5.mtef, showcase-v3.mtef): for looking at them
// in other programs, and as the fuzzers' seeds (tests/data/metafile/seeds).
// The tests build the same bytes in memory.
#include "Samples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: metafilegen OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "metafilegen: cannot make %s\n", argv[1]);
        return 1;
    }
    const std::pair<const char*, QByteArray> files[] = {
        {"formula.wmf", metafilegen::formulaWmf()},
        {"figure.wmf", metafilegen::figureWmf()},
        {"figure.emf", metafilegen::figureEmf()},
        {"quadratic.objdata", metafilegen::quadraticEquationObject()},
        {"showcase-v5.mtef", metafilegen::showcaseMtef(5)},
        {"showcase-v3.mtef", metafilegen::showcaseMtef(3)},
    };
    for (const auto& [name, bytes] : files) {
        QFile f(out.filePath(QString::fromLatin1(name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "metafilegen: cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    return 0;
}
