#include "rtf/RtfWriter.h"

#include "rtf/PictureDrawing.h"
#include "rtf/RtfBuilder.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfPictures.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

const QString kDefaultFont = u"宋体"_s;
constexpr int kGbkCharset = 134;
constexpr char kHex[] = "0123456789abcdef";

// Chinese, Japanese and Korean scripts, their punctuation and full-width forms:
// what a reader takes from GBK bytes in a font of the GBK charset. Latin,
// Greek, Cyrillic and symbols go as \uN, which no charset can garble.
bool isCjk(char16_t u)
{
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE10 && u <= 0xFE1F) ||
           (u >= 0xFE30 && u <= 0xFE6F) || (u >= 0xFF00 && u <= 0xFFEF);
}

// What a reader without \uN shows: the letter without its accents, or '?'.
char fallbackOf(char16_t u)
{
    if (QChar::isSurrogate(u))
        return '?';
    const QString decomposed = QChar(u).decomposition();
    const char16_t base = decomposed.isEmpty() ? 0 : decomposed.front().unicode();
    return (base >= u'A' && base <= u'Z') || (base >= u'a' && base <= u'z') ? char(base) : '?';
}

int twips(double pixels)
{
    return int(std::lround(pixels * 15.0));
}

class Writer
{
public:
    Writer(const QTextDocument& doc, const RtfPage& page)
        : doc_(doc), page_(page), gbk_(rtf::GbkTable::instance())
    {
        const QFont font = doc.defaultFont();
        defaultHalfPoints_ = font.pointSizeF() > 0 ? int(std::lround(font.pointSizeF() * 2)) : 24;
        fonts_.append(FontEntry{kDefaultFont, kGbkCharset});
        fontIndex_.insert(fontKey(kDefaultFont, kGbkCharset), 0);
    }

    QByteArray run();

private:
    void writeFrame(const QTextFrame* frame, int level);
    void writeItems(const std::vector<QTextFrame::iterator>& items, int level, bool cell);
    void writeBlock(const QTextBlock& block, int level, const char* end);
    void writeTable(const QTextTable* table, int level);
    void writeRowDef(const QTextTable* table, int row, const std::vector<int>& bounds, bool borders);
    void writeCell(const QTextTableCell& cell, int level);
    struct FontEntry
    {
        QString family;
        int charset = kGbkCharset;
    };
    // A run's control words, and whether its font takes GBK bytes.
    struct RunControls
    {
        QByteArray controls;
        bool gbk = true;
    };

    static QString fontKey(const QString& family, int charset)
    {
        return family + u'/' + QString::number(charset);
    }
    int writeCharFormat(const QTextCharFormat& f);
    const RunControls& charControls(const QTextFragment& fragment);
    void writeText(const QString& text, bool gbk);
    void writeImage(const QTextImageFormat& f);
    bool writePicture(const QTextImageFormat& f, const QString& formula, qreal depth);
    void writeFormulaSource(const QString& source);
    void writeParaFormat(const QTextBlockFormat& f);
    void writeHex(const QByteArray& data);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    void writeNumber(const char* word, qint64 value);

    const QTextDocument& doc_;
    const RtfPage page_;
    const rtf::GbkTable& gbk_;
    QByteArray out_;
    int defaultHalfPoints_ = 24;
    QList<FontEntry> fonts_;
    QHash<QString, int> fontIndex_;
    QList<QRgb> colors_;
    QHash<QRgb, int> colorIndex_;
    QHash<int, RunControls> controlsByFormat_;
};

void Writer::writeNumber(const char* word, qint64 value)
{
    out_.append(word);
    out_.append(QByteArray::number(value));
}

int Writer::fontIndex(const QString& name)
{
    // A font name as the reader gives it back (a semicolon would end the font
    // table entry); a charset ending of the name becomes its \fcharset.
    const QString family = rtf::fontFamilyName(name);
    if (family.isEmpty())
        return 0;
    const int ending = rtf::charsetOfFontNameEnding(name.trimmed());
    const int charset = ending >= 0 ? ending : kGbkCharset;
    const QString key = fontKey(family, charset);
    const auto it = fontIndex_.constFind(key);
    if (it != fontIndex_.constEnd())
        return *it;
    const int index = int(fonts_.size());
    fonts_.append(FontEntry{family, charset});
    fontIndex_.insert(key, index);
    return index;
}

int Writer::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb() | 0xFF000000u;
    const auto it = colorIndex_.constFind(rgb);
    if (it != colorIndex_.constEnd())
        return *it;
    colors_.append(rgb);
    const int index = int(colors_.size()); // index 0 is "automatic"
    colorIndex_.insert(rgb, index);
    return index;
}

QByteArray Writer::run()
{
    out_.reserve(qsizetype(doc_.characterCount()) * 6 + 1024);
    writeFrame(doc_.rootFrame(), 0);
    QByteArray body;
    body.swap(out_);

    out_.append("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052\\uc1{\\fonttbl");
    for (int i = 0; i < fonts_.size(); ++i) {
        writeNumber("{\\f", i);
        writeNumber("\\fnil\\fcharset", fonts_[i].charset);
        out_.append(' ');
        writeText(fonts_[i].family, fonts_[i].charset == kGbkCharset);
        out_.append(";}");
    }
    out_.append("}\n");
    if (!colors_.isEmpty()) {
        out_.append("{\\colortbl ;");
        for (const QRgb rgb : std::as_const(colors_)) {
            writeNumber("\\red", qRed(rgb));
            writeNumber("\\green", qGreen(rgb));
            writeNumber("\\blue", qBlue(rgb));
            out_.append(';');
        }
        out_.append("}\n");
    }
    if (page_.width > 0 && page_.height > 0) {
        writeNumber("\\paperw", page_.width);
        writeNumber("\\paperh", page_.height);
        writeNumber("\\margl", page_.left);
        writeNumber("\\margr", page_.right);
        writeNumber("\\margt", page_.top);
        writeNumber("\\margb", page_.bottom);
        if (page_.width > page_.height)
            out_.append("\\landscape");
        out_.append('\n');
    }
    out_.append("\\viewkind4\n");
    if (page_.columns > 1) {
        // The first section's own page, as Word writes it, and its columns.
        out_.append("\\sectd");
        writeNumber("\\pgwsxn", page_.width);
        writeNumber("\\pghsxn", page_.height);
        if (page_.width > page_.height)
            out_.append("\\lndscpsxn");
        writeNumber("\\cols", page_.columns);
        writeNumber("\\colsx", page_.columnGap);
        out_.append('\n');
    }
    out_.append(body);
    out_.append("}\n");
    return out_;
}

// The items of a frame: blocks and child frames. An empty block that only
// precedes a table at the start of a frame is left out, and so is an empty
// last block after a table in the document: Qt always puts a block there and
// the reader makes it again, so writing them would add a paragraph each time.
std::vector<QTextFrame::iterator> itemsOf(const QTextFrame* frame, bool root)
{
    std::vector<QTextFrame::iterator> items;
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it)
        items.push_back(it);
    const auto emptyBlock = [](const QTextFrame::iterator& it) {
        return !it.currentFrame() && it.currentBlock().length() <= 1 &&
               it.currentBlock().blockFormat().properties().isEmpty();
    };
    if (items.size() >= 2 && emptyBlock(items[0]) && items[1].currentFrame())
        items.erase(items.begin());
    if (root && items.size() >= 2 && emptyBlock(items.back()) && items[items.size() - 2].currentFrame())
        items.pop_back();
    return items;
}

void Writer::writeFrame(const QTextFrame* frame, int level)
{
    writeItems(itemsOf(frame, level == 0), level, false);
}

void Writer::writeItems(const std::vector<QTextFrame::iterator>& items, int level, bool cell)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QTextFrame::iterator& it = items[i];
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child))
                writeTable(table, level + 1);
            else
                writeItems(itemsOf(child, false), level, false);
            continue;
        }
        const bool last = cell && i + 1 == items.size();
        writeBlock(it.currentBlock(), level, !last ? "\\par\n" : level <= 1 ? "\\cell\n" : "\\nestcell\n");
    }
}

void Writer::writeParaFormat(const QTextBlockFormat& f)
{
    const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        out_.append("\\qc");
    else if (align & Qt::AlignRight)
        out_.append("\\qr");
    else if (align & Qt::AlignJustify)
        out_.append("\\qj");
    if (const int v = twips(f.leftMargin()))
        writeNumber("\\li", v);
    if (const int v = twips(f.rightMargin()))
        writeNumber("\\ri", v);
    if (const int v = twips(f.textIndent()))
        writeNumber("\\fi", v);
    if (const int v = twips(f.topMargin()))
        writeNumber("\\sb", v);
    if (const int v = twips(f.bottomMargin()))
        writeNumber("\\sa", v);
    if (f.hasProperty(QTextFormat::LineHeight)) {
        const double h = f.lineHeight();
        switch (f.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (h > 0 && std::lround(h * 2.4) != 240) {
                writeNumber("\\sl", std::lround(h * 2.4));
                out_.append("\\slmult1");
            }
            break;
        case QTextBlockFormat::MinimumHeight:
            if (h > 0)
                writeNumber("\\sl", twips(h));
            break;
        case QTextBlockFormat::FixedHeight:
            if (h > 0)
                writeNumber("\\sl", -twips(h));
            break;
        default:
            break;
        }
    }
}

void Writer::writeBlock(const QTextBlock& block, int level, const char* end)
{
    out_.append("\\pard\\plain");
    if (level > 0) {
        out_.append("\\intbl");
        if (level > 1)
            writeNumber("\\itap", level);
    }
    writeParaFormat(block.blockFormat());
    if (block.length() <= 1) {
        // An empty paragraph keeps the format of its mark, e.g. its height.
        (void)writeCharFormat(block.charFormat());
    }
    out_.append(' ');
    // Fragments that differ only in properties RTF does not keep are written
    // as one run, so that the document read back writes the same bytes.
    bool open = false;
    QByteArray openControls;
    QString openHref;
    const auto closeRun = [&] {
        if (!open)
            return;
        out_.append('}');
        if (!openHref.isEmpty())
            out_.append("}}");
        open = false;
        openHref.clear();
    };
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat format = fragment.charFormat();
        const QString text = fragment.text();
        if (format.isImageFormat()) {
            closeRun();
            const QTextImageFormat image = format.toImageFormat();
            for (const QChar c : text)
                if (c == QChar::ObjectReplacementCharacter)
                    writeImage(image);
            continue;
        }
        const RunControls& run = charControls(fragment);
        const QByteArray& controls = run.controls;
        const QString href = format.isAnchor() ? rtf::linkTarget(format.anchorHref()) : QString();
        if (open && openControls == controls && openHref == href) {
            writeText(text, run.gbk);
            continue;
        }
        closeRun();
        if (!href.isEmpty()) {
            out_.append("{\\field{\\*\\fldinst HYPERLINK \"");
            QString escaped = href;
            escaped.replace(u'\\', u"\\\\"_s);
            writeText(escaped, true); // in the default font
            out_.append("\"}{\\fldrslt ");
        }
        out_.append('{');
        out_.append(controls);
        out_.append(' ');
        writeText(text, run.gbk);
        open = true;
        openControls = controls;
        openHref = href;
    }
    closeRun();
    out_.append(end);
}

const Writer::RunControls& Writer::charControls(const QTextFragment& fragment)
{
    const int index = fragment.charFormatIndex();
    auto it = controlsByFormat_.find(index);
    if (it == controlsByFormat_.end()) {
        QByteArray saved;
        saved.swap(out_);
        const int font = writeCharFormat(fragment.charFormat());
        it = controlsByFormat_.insert(index, RunControls{out_, fonts_[font].charset == kGbkCharset});
        out_.swap(saved);
    }
    return *it;
}

// Writes the control words of a format; gives its font's index.
int Writer::writeCharFormat(const QTextCharFormat& f)
{
    QString family;
    const QVariant families = f.property(QTextFormat::FontFamilies);
    if (families.isValid()) {
        const QStringList list = families.toStringList();
        if (!list.isEmpty())
            family = list.first();
    }
    const int font = fontIndex(family);
    writeNumber("\\f", font);
    const double points = f.fontPointSize();
    writeNumber("\\fs", points > 0 ? std::lround(points * 2) : defaultHalfPoints_);
    if (f.fontWeight() >= QFont::DemiBold)
        out_.append("\\b");
    if (f.fontItalic())
        out_.append("\\i");
    switch (f.underlineStyle()) {
    case QTextCharFormat::SingleUnderline:
        out_.append("\\ul");
        break;
    case QTextCharFormat::DashUnderline:
        out_.append("\\uldash");
        break;
    case QTextCharFormat::DotLine:
        out_.append("\\uld");
        break;
    case QTextCharFormat::DashDotLine:
        out_.append("\\uldashd");
        break;
    case QTextCharFormat::DashDotDotLine:
        out_.append("\\uldashdd");
        break;
    case QTextCharFormat::WaveUnderline:
        out_.append("\\ulwave");
        break;
    default:
        if (f.fontUnderline())
            out_.append("\\ul");
        break;
    }
    if (f.fontStrikeOut())
        out_.append("\\strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out_.append("\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out_.append("\\sub");
    if (f.hasProperty(QTextFormat::FontCapitalization)) {
        if (f.fontCapitalization() == QFont::AllUppercase)
            out_.append("\\caps");
        else if (f.fontCapitalization() == QFont::SmallCaps)
            out_.append("\\scaps");
    }
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        writeNumber("\\cf", colorIndex(f.foreground().color()));
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        writeNumber("\\highlight", colorIndex(f.background().color()));
    return font;
}

// In a font of the GBK charset, CJK characters are written as GBK byte pairs;
// every other non-ASCII character as \uN with a fallback.
void Writer::writeText(const QString& text, bool gbk)
{
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    for (; p != end; ++p) {
        const char16_t u = p->unicode();
        if (u < 0x80) {
            switch (u) {
            case u'\\':
                out_.append("\\\\", 2);
                break;
            case u'{':
                out_.append("\\{", 2);
                break;
            case u'}':
                out_.append("\\}", 2);
                break;
            case u'\t':
                out_.append("\\tab ", 5);
                break;
            default:
                if (u >= 0x20)
                    out_.append(char(u));
                break;
            }
            continue;
        }
        if (const std::uint16_t code = gbk && isCjk(u) ? gbk_.code(u) : 0) {
            const char pair[8] = {'\\', '\'', kHex[code >> 12],        kHex[(code >> 8) & 0xF],
                                  '\\', '\'', kHex[(code >> 4) & 0xF], kHex[code & 0xF]};
            out_.append(pair, 8);
            continue;
        }
        switch (u) {
        case QChar::LineSeparator:
            out_.append("\\line ", 6);
            continue;
        case QChar::ParagraphSeparator:
            out_.append("\\par ", 5);
            continue;
        case QChar::Nbsp:
            out_.append("\\~", 2);
            continue;
        case QChar::SoftHyphen:
            out_.append("\\-", 2);
            continue;
        case 0x2011:
            out_.append("\\_", 2);
            continue;
        case QChar::ObjectReplacementCharacter:
            continue;
        default:
            break;
        }
        // RTF takes a signed 16-bit number; a surrogate pair is two of them.
        writeNumber("\\u", u > 32767 ? int(u) - 65536 : int(u));
        out_.append(fallbackOf(u));
    }
}

void Writer::writeHex(const QByteArray& data)
{
    const qsizetype n = data.size();
    out_.reserve(out_.size() + n * 2 + n / 64 + 2);
    const uchar* p = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (i % 64 == 0)
            out_.append('\n');
        const char pair[2] = {kHex[p[i] >> 4], kHex[p[i] & 0xF]};
        out_.append(pair, 2);
    }
}

QByteArray withoutSizeControls(const QByteArray& controls)
{
    // Drops \picwgoal, \pichgoal, \picscalex and \picscaley with their numbers.
    QByteArray out;
    qsizetype i = 0;
    while (i < controls.size()) {
        qsizetype next = controls.indexOf('\\', i + 1);
        if (next < 0)
            next = controls.size();
        const QByteArray word = controls.mid(i, next - i);
        if (!word.startsWith("\\picwgoal") && !word.startsWith("\\pichgoal") &&
            !word.startsWith("\\picscalex") && !word.startsWith("\\picscaley"))
            out.append(word);
        i = next;
    }
    return out;
}

// A formula is its picture followed by its source in a destination of our own,
// which other readers skip: {\dnN{\pict ...}{\*\tikuformula source}}. The
// run is lowered by the formula's depth, so that its baseline meets the text's
// in word processors that honour \dn on pictures (LibreOffice drops it; the
// PNG carries the depth as well as the source for that case).
void Writer::writeImage(const QTextImageFormat& f)
{
    const QString formula = f.property(rtf::FormulaSource).toString();
    if (formula.isEmpty()) {
        (void)writePicture(f, formula, 0);
        return;
    }
    // Points below the baseline, as the PNG keeps them (six digits): the depth
    // read back gives the same \dn when written again.
    const qreal given = f.property(rtf::FormulaDepth).toReal();
    const qreal depth = std::isfinite(given)
                            ? QByteArray::number(std::clamp<qreal>(given, -1000, 1000), 'g', 6).toDouble()
                            : 0;
    const int lowered = int(std::lround(depth * 2));
    QByteArray text;
    text.swap(out_);
    const bool written = writePicture(f, formula, depth);
    out_.swap(text);
    if (!written)
        return;
    if (lowered != 0) {
        out_.append('{');
        writeNumber(lowered > 0 ? "\\dn" : "\\up", std::abs(lowered));
    }
    out_.append(text);
    out_.append("{\\*\\tikuformula ");
    writeFormulaSource(formula);
    out_.append('}');
    if (lowered != 0)
        out_.append('}');
}

// ASCII as it is, with RTF's three escapes; every other character as \uN, so
// that the source comes back exactly whatever the code page of the reader.
void Writer::writeFormulaSource(const QString& source)
{
    for (const QChar c : source) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out_.append('\\');
            out_.append(char(u));
        } else if (u >= 0x20 && u < 0x7F) {
            out_.append(char(u));
        } else {
            writeNumber("\\u", u > 32767 ? int(u) - 65536 : int(u));
            out_.append('?');
        }
    }
}

// The picture of an image format; false when there is none to write.
bool Writer::writePicture(const QTextImageFormat& f, const QString& formula, qreal depth)
{
    QByteArray data = f.property(rtf::PictureData).toByteArray();
    QByteArray controls = f.property(rtf::PictureControls).toByteArray();
    if (!formula.isEmpty() && (controls.isEmpty() || controls.contains("\\pngblip"))) {
        if (const QSize size = rtf::pngSize(data); size.isValid()) {
            data = rtf::pngWithFormulaDepth(rtf::pngWithFormulaSource(data, formula), depth);
            if (controls.isEmpty())
                controls = "\\picw" + QByteArray::number(size.width()) + "\\pich" +
                           QByteArray::number(size.height()) + "\\pngblip";
        }
    }
    if (!data.isEmpty()) {
        out_.append("{\\pict");
        const QSizeF readSize = f.property(rtf::PictureReadSize).toSizeF();
        const bool resized =
            f.width() > 0 && f.height() > 0 &&
            (twips(f.width()) != twips(readSize.width()) || twips(f.height()) != twips(readSize.height()));
        if (resized) {
            out_.append(withoutSizeControls(controls));
            writeNumber("\\picwgoal", twips(f.width()));
            writeNumber("\\pichgoal", twips(f.height()));
        } else {
            out_.append(controls);
        }
        writeHex(data);
        out_.append("}");
        return true;
    }

    // A picture from elsewhere: its bytes come from the document's resources.
    const QVariant resource = doc_.resource(QTextDocument::ImageResource, QUrl(f.name()));
    QByteArray bytes;
    QImage image;
    const char* blip = "\\pngblip";
    if (resource.typeId() == QMetaType::QByteArray) {
        bytes = resource.toByteArray();
        if (bytes.startsWith("\xFF\xD8\xFF"))
            blip = "\\jpegblip";
        else if (!bytes.startsWith("\x89PNG"))
            bytes.clear();
        image = QImage::fromData(resource.toByteArray());
    } else if (resource.typeId() == QMetaType::QImage) {
        image = resource.value<QImage>();
    } else if (resource.typeId() == QMetaType::QPixmap) {
        image = resource.value<QPixmap>().toImage();
    }
    if (image.isNull() && !f.name().startsWith(u"rtfpict:"))
        image = QImage(f.name());
    if (image.isNull())
        return false;
    if (bytes.isEmpty()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    if (!formula.isEmpty() && bytes.startsWith("\x89PNG"))
        bytes = rtf::pngWithFormulaDepth(rtf::pngWithFormulaSource(bytes, formula), depth);
    const double w = f.width() > 0 ? f.width() : image.width();
    const double h = f.height() > 0 ? f.height() : image.height();
    out_.append("{\\pict");
    writeNumber("\\picw", image.width());
    writeNumber("\\pich", image.height());
    writeNumber("\\picwgoal", twips(w));
    writeNumber("\\pichgoal", twips(h));
    out_.append(blip);
    writeHex(bytes);
    out_.append("}");
    return true;
}

void Writer::writeRowDef(const QTextTable* table, int row, const std::vector<int>& bounds, bool borders)
{
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    out_.append("\\trowd\\trgaph108");
    for (int c = 0; c < table->columns();) {
        const QTextTableCell cell = table->cellAt(row, c);
        const int span = std::max(1, cell.columnSpan() - (c - cell.column()));
        if (cell.row() < row)
            out_.append("\\clvmrg");
        else if (cell.rowSpan() > 1)
            out_.append("\\clvmgf");
        // Widths that are not fixed are kept as Word's preferred cell widths.
        const QTextLength::Type type = c < widths.size() ? widths[c].type() : QTextLength::VariableLength;
        if (span == 1 && type == QTextLength::VariableLength) {
            out_.append("\\clftsWidth1");
        } else if (span == 1 && type == QTextLength::PercentageLength) {
            writeNumber("\\clftsWidth2\\clwWidth", std::lround(widths[c].rawValue() * 50));
        }
        if (borders)
            out_.append("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr"
                        "\\brdrs\\brdrw10");
        writeNumber("\\cellx", bounds[std::size_t(std::min(c + span, table->columns()))]);
        c += span;
    }
}

void Writer::writeCell(const QTextTableCell& cell, int level)
{
    std::vector<QTextFrame::iterator> items;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it)
        items.push_back(it);
    if (items.size() >= 2 && !items[0].currentFrame() && items[0].currentBlock().length() <= 1 &&
        items[0].currentBlock().blockFormat().properties().isEmpty() && items[1].currentFrame())
        items.erase(items.begin());
    writeItems(items, level, true);
}

void Writer::writeTable(const QTextTable* table, int level)
{
    const QTextTableFormat format = table->format();
    const QList<QTextLength> widths = format.columnWidthConstraints();
    const int columns = table->columns();
    std::vector<int> bounds(std::size_t(columns) + 1, 0);
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < widths.size() ? widths[c] : QTextLength();
        bounds[std::size_t(c) + 1] = bounds[std::size_t(c)] + rtf::columnWidthTwips(length, columns);
    }
    const bool borders = format.border() > 0;

    for (int r = 0; r < table->rows(); ++r) {
        if (level <= 1) {
            writeRowDef(table, r, bounds, borders);
            out_.append('\n');
        }
        for (int c = 0; c < columns;) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int span = std::max(1, cell.columnSpan() - (c - cell.column()));
            if (cell.row() < r) {
                // Covered by the cell above: an empty cell continues the merge.
                out_.append("\\pard\\plain\\intbl");
                if (level > 1)
                    writeNumber("\\itap", level);
                out_.append(level <= 1 ? " \\cell\n" : " \\nestcell\n");
            } else {
                writeCell(cell, level);
            }
            c += span;
        }
        if (level <= 1) {
            out_.append("\\row\n");
        } else {
            out_.append("{\\*\\nesttableprops");
            writeRowDef(table, r, bounds, borders);
            out_.append("\\nestrow}{\\nonesttables\\par}\n");
        }
    }
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& doc)
{
    return write(doc, RtfPage{});
}

QByteArray RtfWriter::write(const QTextDocument& doc, const RtfPage& page)
{
    Writer writer(doc, page);
    return writer.run();
}

QByteArray RtfWriter::write(const QTextDocumentFragment& fragment)
{
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCursor cursor(&doc);
    cursor.insertFragment(fragment);
    return write(doc);
}

QByteArray RtfWriter::write(const QTextCursor& selection)
{
    const QTextDocument* source = selection.document();
    if (!source)
        return write(QTextDocument());
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    doc.setDefaultFont(source->defaultFont());
    QTextCursor cursor(&doc);
    cursor.insertFragment(selection.selection());
    // The fragment does not carry the pictures themselves.
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            const QUrl url(f.toImageFormat().name());
            // Only what was added: a picture read from RTF carries its bytes,
            // and decoding it here would only cost time and memory.
            const QVariant picture = rtf::addedResource(source, url);
            if (picture.isValid())
                doc.addResource(QTextDocument::ImageResource, url, picture);
        }
    }
    return write(doc);
}
