#include "rtf/RtfPictureDestination.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfParserState.h"

#include <algorithm>

namespace rtf {

namespace {

// More control words than a picture has are not kept, only what they set.
constexpr qsizetype kMaxPictureControls = 4096;
// Longer formula sources are cut; the formula editor takes far less.
constexpr qsizetype kMaxFormulaSource = 65536;

} // namespace

PictureDestination::PictureDestination() = default;
PictureDestination::~PictureDestination() = default;

void PictureDestination::begin(int depth, const CharProps& chr, int lowered)
{
    open_ = std::make_unique<State>();
    open_->depth = depth;
    open_->chr = chr;
    open_->lowered = lowered;
}

void PictureDestination::controlWord(Kw kw, const Token& t)
{
    State& ps = *open_;
    const std::int32_t p = t.param;
    switch (kw) {
    case Kw::pngblip:
        ps.pict.kind = PictureKind::Png;
        break;
    case Kw::jpegblip:
        ps.pict.kind = PictureKind::Jpeg;
        break;
    case Kw::emfblip:
        ps.pict.kind = PictureKind::Emf;
        break;
    case Kw::wmetafile:
        ps.pict.kind = PictureKind::Wmf;
        break;
    case Kw::dibitmap:
        ps.pict.kind = PictureKind::Dib;
        break;
    case Kw::wbitmap:
        ps.pict.kind = PictureKind::Ddb;
        break;
    case Kw::picw:
        ps.picw = clampInt(p, 0, 1000000);
        break;
    case Kw::pich:
        ps.pich = clampInt(p, 0, 1000000);
        break;
    case Kw::picwgoal:
        ps.goalw = clampInt(p, 0, 1000000);
        break;
    case Kw::pichgoal:
        ps.goalh = clampInt(p, 0, 1000000);
        break;
    case Kw::picscalex:
        ps.scalex = clampInt(p, 1, 10000);
        break;
    case Kw::picscaley:
        ps.scaley = clampInt(p, 1, 10000);
        break;
    default:
        break;
    }
    QByteArray word = '\\' + QByteArray(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        word.append(QByteArray::number(p));
    if (kw == Kw::pngblip || kw == Kw::jpegblip || kw == Kw::emfblip || kw == Kw::wmetafile ||
        kw == Kw::dibitmap || kw == Kw::wbitmap)
        ps.kindWord = word;
    if (ps.pict.controls.size() < kMaxPictureControls)
        ps.pict.controls.append(word);
    else
        ps.controlsCut = true;
}

void PictureDestination::text(std::string_view bytes)
{
    State& ps = *open_;
    QByteArray& data = ps.pict.data;
    if (data.capacity() < data.size() + qsizetype(bytes.size() / 2 + 1))
        data.reserve(std::max<qsizetype>(data.capacity() * 2, data.size() + qsizetype(bytes.size() / 2 + 1)));
    for (const char ch : bytes) {
        const int v = hexDigit(ch);
        if (v < 0)
            continue;
        if (ps.nibble < 0) {
            ps.nibble = v;
        } else {
            data.append(char(ps.nibble << 4 | v));
            ps.nibble = -1;
        }
    }
}

void PictureDestination::binary(std::string_view bytes)
{
    open_->pict.data.append(bytes.data(), qsizetype(bytes.size()));
    open_->nibble = -1;
}

std::optional<PictureDestination::Finished> PictureDestination::finish()
{
    std::unique_ptr<State> ps = std::move(open_);
    Picture& pict = ps->pict;
    if (pict.data.isEmpty())
        return std::nullopt;
    const double sx = ps->scalex / 100.0;
    const double sy = ps->scaley / 100.0;
    // Metafiles give \picw and \pich in hundredths of a millimetre, bitmaps in pixels.
    const bool metafile = pict.kind == PictureKind::Wmf || pict.kind == PictureKind::Emf;
    const double unit = metafile ? 96.0 / 2540.0 : 1.0;
    pict.width = ps->goalw > 0 ? ps->goalw / 15.0 * sx : ps->picw * unit * sx;
    pict.height = ps->goalh > 0 ? ps->goalh / 15.0 * sy : ps->pich * unit * sy;
    pict.scaleX = sx;
    pict.scaleY = sy;
    pict.lowered = ps->lowered;
    if (ps->controlsCut) {
        // Controls past the kept ones may have set the kind or the size: the
        // kept ones end with what they came to.
        pict.controls.append(ps->kindWord);
        for (const auto& [word, value] : {std::pair{"\\picw", ps->picw},
                                          {"\\pich", ps->pich},
                                          {"\\picwgoal", ps->goalw},
                                          {"\\pichgoal", ps->goalh},
                                          {"\\picscalex", ps->scalex},
                                          {"\\picscaley", ps->scaley}})
            pict.controls.append(word).append(QByteArray::number(value));
    }
    return Finished{std::move(pict), ps->chr};
}

void FormulaSource::begin(int depth)
{
    depth_ = depth;
    source_.clear();
    bytes_.clear();
}

void FormulaSource::text(std::string_view bytes)
{
    if (qsizetype(bytes_.size() + bytes.size()) + source_.size() < kMaxFormulaSource)
        bytes_.append(bytes);
}

void FormulaSource::unit(char16_t c, int codePage)
{
    if (source_.size() + qsizetype(bytes_.size()) < kMaxFormulaSource) {
        decodeBytes(codePage);
        source_.append(QChar(c));
    }
}

QString FormulaSource::finish(int codePage)
{
    depth_ = -1;
    decodeBytes(codePage);
    QString source;
    source.swap(source_);
    return source;
}

void FormulaSource::decodeBytes(int codePage)
{
    decoder_.append(codePage, bytes_, source_);
    bytes_.clear();
}

} // namespace rtf
