#include "CorpusPieces.h"

#include <QFile>

#include <cctype>

namespace corpus {

namespace {

// The hex digits from `from` up to the group's closing brace, as bytes.
QByteArray hexUntilClose(const QByteArray& rtf, qsizetype from, qsizetype* end = nullptr)
{
    QByteArray hex;
    qsizetype i = from;
    for (; i < rtf.size() && rtf[i] != '}'; ++i) {
        const char c = rtf[i];
        if (c == '\\') { // a control word inside the data: skip it
            while (i + 1 < rtf.size() && QChar::fromLatin1(rtf[i + 1]).isLetterOrNumber())
                ++i;
            continue;
        }
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex.append(c);
    }
    if (end)
        *end = i;
    if (hex.size() % 2)
        hex.chop(1);
    return QByteArray::fromHex(hex);
}

// The start of the data of the \pict group at `at`: after its last control word.
qsizetype pictData(const QByteArray& rtf, qsizetype at)
{
    qsizetype i = at;
    while (i < rtf.size()) {
        if (rtf[i] == '\\') {
            ++i;
            while (i < rtf.size() && (QChar::fromLatin1(rtf[i]).isLetter() || rtf[i] == '-' ||
                                      QChar::fromLatin1(rtf[i]).isDigit()))
                ++i;
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
        } else if (rtf[i] == '{') { // a nested group (\*\blipuid ...): skip it
            int depth = 0;
            for (; i < rtf.size(); ++i) {
                if (rtf[i] == '{')
                    ++depth;
                else if (rtf[i] == '}' && --depth == 0)
                    break;
            }
            ++i;
        } else if (rtf[i] == '\r' || rtf[i] == '\n') {
            ++i;
        } else {
            break;
        }
    }
    return i;
}

} // namespace

QList<Piece> pictures(const QByteArray& rtf)
{
    QList<Piece> out;
    qsizetype at = 0;
    while ((at = rtf.indexOf("{\\pict", at)) >= 0) {
        const qsizetype data = pictData(rtf, at + 6);
        const QByteArray controls = rtf.mid(at, data - at);
        at = data;
        QString kind;
        if (controls.contains("\\wmetafile"))
            kind = QStringLiteral("wmf");
        else if (controls.contains("\\emfblip"))
            kind = QStringLiteral("emf");
        else
            continue;
        out << Piece{kind, hexUntilClose(rtf, data), {}};
    }
    return out;
}

QList<Piece> objects(const QByteArray& rtf)
{
    QList<Piece> out;
    qsizetype at = 0;
    while ((at = rtf.indexOf("\\objclass ", at)) >= 0) {
        const qsizetype nameEnd = rtf.indexOf('}', at);
        const QString kind = QString::fromLatin1(rtf.mid(at + 10, nameEnd - at - 10)).trimmed();
        const qsizetype obj = rtf.indexOf("\\objdata", nameEnd);
        if (obj < 0)
            break;
        qsizetype end = 0;
        Piece p{kind, hexUntilClose(rtf, obj + 8, &end), {}};
        const qsizetype result = rtf.indexOf("\\result", end);
        const qsizetype pict = result >= 0 ? rtf.indexOf("{\\pict", result) : -1;
        const qsizetype nextObject = rtf.indexOf("\\objclass ", end);
        if (pict >= 0 && (nextObject < 0 || pict < nextObject)) {
            const qsizetype data = pictData(rtf, pict + 6);
            if (rtf.mid(pict, data - pict).contains("\\wmetafile"))
                p.resultWmf = hexUntilClose(rtf, data);
        }
        out << p;
        at = end;
    }
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString dataPath(const QString& relative)
{
    return QStringLiteral(TIKU_METAFILE_TEST_DATA) + u'/' + relative;
}

} // namespace corpus
