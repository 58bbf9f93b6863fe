#pragma once

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

} // namespace rtf
