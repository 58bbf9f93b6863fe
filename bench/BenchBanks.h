#pragma once

// The banks bench/run prepares for the benchmark programs.

#include <cstdio>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// The banks under $TIKU_BENCH_DATA/banks (as name and program directory),
// limited to $TIKU_BENCH_BANKS when it names some. Complains on standard
// error, naming `program`, and gives none when the folder is not set.
inline std::vector<std::pair<QString, QString>> benchBanks(const char* program)
{
    using namespace Qt::StringLiterals;
    const QString data = qEnvironmentVariable("TIKU_BENCH_DATA");
    if (data.isEmpty()) {
        std::fprintf(stderr,
                     "%s: set TIKU_BENCH_DATA to the folder bench/run prepares (it holds "
                     "banks/<name>/DATA/TiKu.mdb)\n",
                     program);
        return {};
    }
    const QDir banks(data + u"/banks"_s);
    const QStringList only = qEnvironmentVariable("TIKU_BENCH_BANKS").split(u',', Qt::SkipEmptyParts);
    std::vector<std::pair<QString, QString>> found;
    for (const QString& name : banks.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString dir = banks.filePath(name);
        if ((only.isEmpty() || only.contains(name)) && QFileInfo(dir + u"/DATA/TiKu.mdb"_s).isFile())
            found.emplace_back(name, dir);
    }
    if (found.empty())
        std::fprintf(stderr, "%s: no bank under %s\n", program, qPrintable(banks.path()));
    return found;
}
