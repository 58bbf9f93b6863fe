#include "DocumentDump.h"

#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace rtftest {

namespace {

using namespace Qt::StringLiterals;

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

QString charFormatText(const QTextCharFormat& f, bool defaultFont)
{
    QStringList parts;
    if (f.fontWeight() >= QFont::DemiBold)
        parts << u"bold"_s;
    if (f.fontItalic())
        parts << u"italic"_s;
    switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        break;
    case QTextCharFormat::SingleUnderline:
        parts << u"underline"_s;
        break;
    default:
        parts << u"underline=%1"_s.arg(int(f.underlineStyle()));
        break;
    }
    if (f.fontStrikeOut())
        parts << u"strike"_s;
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << u"super"_s;
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << u"sub"_s;
    if (f.hasProperty(QTextFormat::FontCapitalization) && f.fontCapitalization() != QFont::MixedCase)
        parts << u"caps=%1"_s.arg(int(f.fontCapitalization()));
    if (f.fontPointSize() > 0)
        parts << u"size="_s + number(f.fontPointSize());
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty() && (defaultFont || families != QStringList{u"宋体"_s}))
        parts << u"font="_s + families.join(u',');
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        parts << u"color="_s + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        parts << u"background="_s + f.background().color().name();
    if (f.isAnchor())
        parts << u"link="_s + f.anchorHref();
    return parts.join(u' ');
}

QString blockFormatText(const QTextBlockFormat& f)
{
    QStringList parts;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        parts << u"align=center"_s;
    else if (a & Qt::AlignRight)
        parts << u"align=right"_s;
    else if (a & Qt::AlignJustify)
        parts << u"align=justify"_s;
    if (f.leftMargin() != 0)
        parts << u"left="_s + number(f.leftMargin());
    if (f.rightMargin() != 0)
        parts << u"right="_s + number(f.rightMargin());
    if (f.textIndent() != 0)
        parts << u"indent="_s + number(f.textIndent());
    if (f.topMargin() != 0)
        parts << u"before="_s + number(f.topMargin());
    if (f.bottomMargin() != 0)
        parts << u"after="_s + number(f.bottomMargin());
    if (f.hasProperty(QTextFormat::LineHeight))
        parts << u"line=%1/%2"_s.arg(number(f.lineHeight())).arg(f.lineHeightType());
    return parts.join(u' ');
}

QString escaped(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\t')
            out += u"\\t"_s;
        else if (c == QChar::LineSeparator)
            out += u"\\n"_s;
        else if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20 || (c.unicode() >= 0xE000 && c.unicode() < 0xF900) || c == QChar::Nbsp ||
                 c == QChar::SoftHyphen || c.unicode() == 0x2011)
            out += u"\\u%1"_s.arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void dumpFrame(const QTextFrame* frame, int indent, QStringList& lines, bool defaultFont);

void line(QStringList& lines, int indent, const QString& text)
{
    lines << QString(indent * 2, u' ') + text;
}

void dumpBlock(const QTextBlock& block, int indent, QStringList& lines, bool defaultFont)
{
    const QString fmt = blockFormatText(block.blockFormat());
    line(lines, indent, fmt.isEmpty() ? u"P"_s : u"P "_s + fmt);
    // Adjacent runs whose formats read the same are one run here: they differ
    // only in what the outline (and RTF) does not keep.
    QString runText;
    QString runFormat;
    const auto flush = [&] {
        if (!runText.isEmpty())
            line(lines, indent + 1,
                 u"\""_s + escaped(runText) + u"\""_s +
                     (runFormat.isEmpty() ? QString() : u" "_s + runFormat));
        runText.clear();
    };
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fr = it.fragment();
        const QTextCharFormat f = fr.charFormat();
        if (f.isImageFormat()) {
            flush();
            const QTextImageFormat img = f.toImageFormat();
            const QByteArray controls = img.property(rtf::PictureControls).toByteArray();
            QString kind = u"other"_s;
            for (const char* k : {"pngblip", "jpegblip", "emfblip", "wmetafile", "dibitmap", "wbitmap"})
                if (controls.contains(k))
                    kind = QString::fromLatin1(k);
            const QString source = img.property(rtf::FormulaSource).toString();
            if (!source.isEmpty())
                kind += u" formula=\""_s + escaped(source) + u"\" depth="_s +
                        number(img.property(rtf::FormulaDepth).toReal());
            const QByteArray object = img.property(rtf::ObjectData).toByteArray();
            if (!object.isEmpty())
                kind += u" object=\""_s + img.property(rtf::ObjectClass).toString() + u"\" "_s +
                        QString::number(object.size()) + u" bytes"_s;
            const QString unconverted = img.property(rtf::FormulaNotConverted).toString();
            if (!unconverted.isEmpty())
                kind += u" not-converted=\""_s + escaped(unconverted) + u'"';
            for (int i = 0; i < fr.length(); ++i)
                line(lines, indent + 1,
                     u"[image %1x%2 %3]"_s.arg(number(img.width()), number(img.height()), kind));
            continue;
        }
        const QString fmtText = charFormatText(f, defaultFont);
        if (fmtText != runFormat)
            flush();
        runFormat = fmtText;
        runText += fr.text();
    }
    flush();
}

void dumpTable(const QTextTable* table, int indent, QStringList& lines, bool defaultFont)
{
    const QTextTableFormat f = table->format();
    QString head = u"TABLE %1x%2"_s.arg(table->rows()).arg(table->columns());
    if (f.border() > 0)
        head += u" border"_s;
    QStringList widths;
    for (const QTextLength& l : f.columnWidthConstraints())
        widths << number(l.rawValue());
    if (!widths.isEmpty())
        head += u" widths="_s + widths.join(u',');
    line(lines, indent, head);
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            QString cellHead = u"CELL %1,%2"_s.arg(r).arg(c);
            if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                cellHead += u" span=%1x%2"_s.arg(cell.rowSpan()).arg(cell.columnSpan());
            line(lines, indent + 1, cellHead);
            for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
                if (const auto* t = qobject_cast<const QTextTable*>(it.currentFrame()))
                    dumpTable(t, indent + 2, lines, defaultFont);
                else if (!it.currentFrame())
                    dumpBlock(it.currentBlock(), indent + 2, lines, defaultFont);
            }
        }
    }
}

void dumpFrame(const QTextFrame* frame, int indent, QStringList& lines, bool defaultFont)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* t = qobject_cast<const QTextTable*>(child))
                dumpTable(t, indent, lines, defaultFont);
            else
                dumpFrame(child, indent, lines, defaultFont);
            continue;
        }
        dumpBlock(it.currentBlock(), indent, lines, defaultFont);
    }
}

} // namespace

QString dumpDocument(const QTextDocument& doc, bool defaultFont)
{
    QStringList lines;
    dumpFrame(doc.rootFrame(), 0, lines, defaultFont);
    return lines.join(u'\n') + u'\n';
}

QString testDataPath(const QString& relativePath)
{
    return QString::fromUtf8(TIKU_RTF_TEST_DATA "/") + relativePath;
}

QByteArray readTestFile(const QString& relativePath)
{
    QFile file(testDataPath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(file.fileName()));
    return file.readAll();
}

QStringList normalisedWords(const QString& text)
{
    static const QRegularExpression space(u"\\s+"_s, QRegularExpression::UseUnicodePropertiesOption);
    return text.split(space, Qt::SkipEmptyParts);
}

QString roundTripProblem(const QByteArray& rtf, bool structure)
{
    QTextDocument original;
    RtfReader::read(rtf, &original);
    const QByteArray first = RtfWriter::write(original);
    QTextDocument back;
    RtfReader::read(first, &back);
    if (rtf::visibleText(back) != rtf::visibleText(original))
        return u"text: "_s + firstDifference(rtf::visibleText(back), rtf::visibleText(original));
    if (structure) {
        const QString a = dumpDocument(back, false);
        const QString b = dumpDocument(original, false);
        if (a != b)
            return u"structure: "_s + firstDifference(a, b);
    }
    const QByteArray second = RtfWriter::write(back);
    if (second != first)
        return u"bytes: "_s + firstDifference(QString::fromLatin1(second), QString::fromLatin1(first));
    return {};
}

QString firstDifference(const QString& actual, const QString& expected)
{
    const QStringList a = actual.split(u'\n');
    const QStringList e = expected.split(u'\n');
    for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
        const QString al = i < a.size() ? a[i] : u"<end>"_s;
        const QString el = i < e.size() ? e[i] : u"<end>"_s;
        if (al != el)
            return u"line %1 differs:\n   actual: %2\n expected: %3"_s.arg(i + 1).arg(al, el);
    }
    return u"texts differ"_s;
}

} // namespace rtftest
