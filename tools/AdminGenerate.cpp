// tiku-admin generate PATH [--questions N] [--paths K] [--seed S]
#include "AdminCommands.h"
#include "bankgen/BankGenerator.h"

#include "store/BankStore.h"

#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fprintf(stderr, "tiku-admin generate: %s\n", qPrintable(message));
}

// Reads the value of an option as a whole number in [min, max].
bool takeNumber(const QStringList& args, qsizetype& i, qint64 min, qint64 max, qint64* out)
{
    const QString option = args.at(i);
    if (i + 1 >= args.size()) {
        fail(u"%1 needs a value"_s.arg(option));
        return false;
    }
    bool ok = false;
    const qint64 v = args.at(++i).toLongLong(&ok);
    if (!ok || v < min || v > max) {
        fail(u"%1: \"%2\" is not a whole number from %3 to %4"_s.arg(option, args.at(i)).arg(min).arg(max));
        return false;
    }
    *out = v;
    return true;
}

} // namespace

int runGenerate(const QStringList& args)
{
    QString path;
    bankgen::BankShape shape;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        qint64 v = 0;
        if (a == u"--questions") {
            if (!takeNumber(args, i, 0, 10'000'000, &v))
                return 2;
            shape.questions = int(v);
        } else if (a == u"--paths") {
            if (!takeNumber(args, i, 1, 1'000'000, &v))
                return 2;
            shape.paths = int(v);
        } else if (a == u"--seed") {
            if (!takeNumber(args, i, 0, std::numeric_limits<qint64>::max(), &v))
                return 2;
            shape.seed = std::uint64_t(v);
        } else if (a.startsWith(u"--") || !path.isEmpty()) {
            fail(u"unexpected argument \"%1\""_s.arg(a));
            return 2;
        } else {
            path = a;
        }
    }
    if (path.isEmpty()) {
        fail(u"no bank file given"_s);
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    bool counting = false;
    int shown = 0;
    try {
        bankgen::generateBank(path, shape, [&](int written) {
            if (written / 10000 != shown / 10000 || written == shape.questions) {
                shown = written;
                std::fprintf(stderr, "\r%d / %d questions", written, shape.questions);
                counting = true;
            }
        });
    } catch (const StoreError& e) {
        if (counting)
            std::fputs("\n", stderr);
        fail(u"%1 (%2)"_s.arg(e.text).arg(e.number));
        return 1;
    }
    std::fprintf(stderr, "\n%s: %d questions, %d knowledge paths, seed %llu, %.1f s\n",
                 qPrintable(QDir::toNativeSeparators(path)), shape.questions, shape.paths,
                 static_cast<unsigned long long>(shape.seed), double(timer.elapsed()) / 1000.0);
    return 0;
}
