#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtf {

// The control words the reader acts on. Everything else is ignored (or, after
// \*, skipped with its group).
// clang-format off
#define TIKU_RTF_KEYWORDS(X)                                                                     \
    X(rtf) X(ansi) X(mac) X(pc) X(pca) X(ansicpg) X(deff) X(uc) X(u) X(upr) X(ud)                \
    X(fonttbl) X(f) X(fcharset) X(cpg) X(colortbl) X(red) X(green) X(blue)                       \
    X(stylesheet) X(s) X(cs) X(ds) X(ts)                                                         \
    X(plain) X(b) X(i) X(ul) X(ulnone) X(uld) X(uldash) X(uldashd) X(uldashdd) X(uldb) X(ulth)   \
    X(ulw) X(ulwave) X(ulhwave) X(ululdbwave) X(ulldash) X(ulthd) X(ulthdash) X(ulthdashd)       \
    X(ulthdashdd) X(ulthldash) X(strike) X(striked) X(super) X(sub) X(nosupersub) X(up) X(dn)   \
    X(fs) X(cf) X(cb) X(highlight) X(chcbpat) X(caps) X(scaps) X(v)                              \
    X(pard) X(par) X(line) X(tab) X(ql) X(qc) X(qr) X(qj) X(qd) X(li) X(ri) X(fi) X(lin) X(rin)  \
    X(sb) X(sa) X(sl) X(slmult) X(intbl) X(itap) X(sect) X(page)                                 \
    X(cell) X(nestcell) X(row) X(nestrow) X(trowd) X(cellx) X(clmgf) X(clmrg) X(clvmgf)          \
    X(clvmrg) X(clftsWidth) X(clwWidth) X(nesttableprops) X(nonesttables) X(brdrs) X(brdrth) X(brdrsh) X(brdrdb)           \
    X(brdrdot) X(brdrdash) X(brdrhair) X(brdrw) X(brdrtriple) X(brdrinset) X(brdroutset)         \
    X(emdash) X(endash) X(emspace) X(enspace) X(qmspace) X(bullet) X(lquote) X(rquote)           \
    X(ldblquote) X(rdblquote) X(zwj) X(zwnj) X(ltrmark) X(rtlmark) X(chftn)                      \
    X(pict) X(shppict) X(nonshppict) X(pngblip) X(jpegblip) X(emfblip) X(wmetafile) X(dibitmap)  \
    X(wbitmap) X(macpict) X(pmmetafile) X(picw) X(pich) X(picwgoal) X(pichgoal) X(picscalex)     \
    X(picscaley) X(object) X(result) X(field) X(fldinst) X(fldrslt)                              \
    X(mmath) X(moMath) X(moMathPara)                                                             \
    X(info) X(header) X(headerl) X(headerr) X(headerf) X(footer) X(footerl) X(footerr)          \
    X(footerf) X(footnote) X(annotation) X(pn) X(listtable) X(listoverridetable) X(revtbl)       \
    X(rsidtbl) X(xmlnstbl) X(filetbl) X(generator) X(themedata) X(colorschememapping)           \
    X(latentstyles) X(datastore) X(objdata) X(objclass) X(template_) X(docvar) X(pgdsctbl)       \
    X(xe) X(tc) X(txe) X(bkmkstart) X(bkmkend) X(sp) X(shpinst) X(do_) X(userprops) X(private_)  \
    X(pnseclvl) X(ftnsep) X(ftnsepc) X(ftncn) X(aftnsep) X(aftnsepc) X(aftncn) X(mmathPr)       \
    X(falt) X(panose) X(picprop) X(blipuid) X(atnid) X(atnauthor) X(atrfstart) X(atrfend)       \
    X(background) X(listpicture) X(fchars) X(lchars) X(pgptbl) X(protusertbl) X(keywords)       \
    X(author) X(operator_) X(title) X(subject) X(comment) X(company) X(doccomm) X(hlinkbase)     \
    X(listtext) X(pntext) X(ls) X(ilvl) X(list) X(listlevel) X(leveltext) X(levelnfc) X(levelnfcn) \
    X(levelstartat) X(listid) X(listoverride) X(pnlvlblt) X(pntxtb) X(pntxta) X(pnf)   \
    X(tikuformula)
// clang-format on

enum class Kw : std::uint16_t {
    Unknown,
#define TIKU_RTF_KW_ENUM(name) name,
    TIKU_RTF_KEYWORDS(TIKU_RTF_KW_ENUM)
#undef TIKU_RTF_KW_ENUM
};

// The number of Kw values, Unknown included.
#define TIKU_RTF_KW_COUNT(name) +1
inline constexpr std::size_t kKeywordCount = 1 TIKU_RTF_KEYWORDS(TIKU_RTF_KW_COUNT);
#undef TIKU_RTF_KW_COUNT

// The keyword of a control word, or Kw::Unknown.
Kw keyword(std::string_view word);
// The same for a reader that has the word's first eight bytes at hand, packed
// as a little-endian number (the first byte lowest, zeros after a shorter word).
inline Kw keyword(std::string_view word, std::uint64_t head);

// The table behind keyword(): inline, as it is looked up for every control
// word, and made by the compiler.
namespace keywords {

// Enum names that clash with C++ keywords carry a trailing underscore; the RTF
// word does not.
constexpr std::string_view rtfWord(std::string_view enumName)
{
    return enumName.back() == '_' ? enumName.substr(0, enumName.size() - 1) : enumName;
}

constexpr std::uint64_t headOf(std::string_view word)
{
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < word.size() && i < 8; ++i)
        head |= std::uint64_t(std::uint8_t(word[i])) << (8 * i);
    return head;
}

inline constexpr std::size_t kSlots = 1024; // a power of two, well above the keyword count

constexpr std::size_t slotOf(std::uint64_t head, std::size_t length)
{
    return std::size_t(((head ^ length) * 0x9E3779B97F4A7C15ull) >> 54) & (kSlots - 1);
}

// Open addressing with linear probing on a word's first eight letters and
// its length: a lookup is a multiplication and a comparison or two; only the
// few longer words compare the rest of their letters.
class Table
{
public:
    constexpr Table()
    {
#define TIKU_RTF_KW_INSERT(name) insert(rtfWord(#name), Kw::name);
        TIKU_RTF_KEYWORDS(TIKU_RTF_KW_INSERT)
#undef TIKU_RTF_KW_INSERT
    }

    constexpr Kw find(std::uint64_t head, std::string_view word) const
    {
        for (std::size_t i = slotOf(head, word.size());; i = (i + 1) & (kSlots - 1)) {
            const Slot& s = slots_[i];
            if (s.kw == Kw::Unknown)
                return Kw::Unknown;
            if (s.head == head && s.length == word.size() && (s.length <= 8 || sameTail(s.kw, word)))
                return s.kw;
        }
    }

private:
    struct Slot
    {
        std::uint64_t head = 0;
        Kw kw = Kw::Unknown;
        std::uint8_t length = 0;
    };

    constexpr void insert(std::string_view word, Kw kw)
    {
        std::size_t i = slotOf(headOf(word), word.size());
        while (slots_[i].kw != Kw::Unknown)
            i = (i + 1) & (kSlots - 1);
        slots_[i] = Slot{headOf(word), kw, std::uint8_t(word.size())};
        words_[std::size_t(kw)] = word;
    }

    constexpr bool sameTail(Kw kw, std::string_view word) const
    {
        const std::string_view known = words_[std::size_t(kw)];
        for (std::size_t i = 8; i < word.size(); ++i)
            if (known[i] != word[i])
                return false;
        return true;
    }

    std::array<Slot, kSlots> slots_{};
    std::array<std::string_view, kKeywordCount> words_{};
};

inline constexpr Table kTable{};

} // namespace keywords

inline Kw keyword(std::string_view word, std::uint64_t head)
{
    return keywords::kTable.find(head, word);
}

} // namespace rtf
