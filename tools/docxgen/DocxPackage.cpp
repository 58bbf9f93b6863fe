#include "docxgen/DocxPackage.h"

#include <QBuffer>
#include <QDateTime>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

using namespace Qt::StringLiterals;

namespace docxgen {

namespace {

const QString kRelBase = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"_s;

// The namespaces Word 2016 declares on its main document; WPS declares
// fewer and a few of its own.
QString documentNamespaces(Flavour f)
{
    QString ns = uR"( xmlns:wpc="http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas")"
                 uR"( xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")"
                 uR"( xmlns:o="urn:schemas-microsoft-com:office:office")"
                 uR"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")"
                 uR"( xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math")"
                 uR"( xmlns:v="urn:schemas-microsoft-com:vml")"
                 uR"( xmlns:wp14="http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing")"
                 uR"( xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing")"
                 uR"( xmlns:w10="urn:schemas-microsoft-com:office:word")"
                 uR"( xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")"
                 uR"( xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml")"
                 uR"( xmlns:wpg="http://schemas.microsoft.com/office/word/2010/wordprocessingGroup")"
                 uR"( xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape")"
                 uR"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")"
                 uR"( xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture")"_s;
    if (f == Flavour::Wps)
        ns += uR"( xmlns:wpsCustomData="http://www.wps.cn/officeDocument/2013/wpsCustomData")"_s;
    else
        ns += uR"( mc:Ignorable="w14 wp14")"_s;
    return ns;
}

QString contentTypeOf(const QString& extension)
{
    if (extension == u"png")
        return u"image/png"_s;
    if (extension == u"jpeg" || extension == u"jpg")
        return u"image/jpeg"_s;
    if (extension == u"gif")
        return u"image/gif"_s;
    if (extension == u"bmp")
        return u"image/bmp"_s;
    if (extension == u"wmf")
        return u"image/x-wmf"_s;
    if (extension == u"emf")
        return u"image/x-emf"_s;
    if (extension == u"tiff" || extension == u"tif")
        return u"image/tiff"_s;
    if (extension == u"bin")
        return u"application/vnd.openxmlformats-officedocument.oleObject"_s;
    return u"application/octet-stream"_s;
}

long emu(double points)
{
    return long(points * 12700.0 + 0.5);
}

} // namespace

QByteArray zip(const QList<std::pair<QString, QByteArray>>& entries)
{
    QByteArray out;
    QBuffer buffer(&out);
    QuaZip archive(&buffer);
    if (!archive.open(QuaZip::mdCreate))
        return {};
    for (const auto& [name, bytes] : entries) {
        QuaZipNewInfo info(name);
        info.dateTime = QDateTime(QDate(2026, 9, 1), QTime(8, 0));
        QuaZipFile file(&archive);
        if (!file.open(QIODevice::WriteOnly, info))
            return {};
        file.write(bytes);
        file.close();
    }
    archive.close();
    return out;
}

QString xmlEscaped(const QString& text)
{
    QString s = text;
    s.replace(u'&', u"&amp;"_s);
    s.replace(u'<', u"&lt;"_s);
    s.replace(u'>', u"&gt;"_s);
    s.replace(u'"', u"&quot;"_s);
    return s;
}

QString paragraph(const QString& runs, const QString& pPr)
{
    return u"<w:p>"_s + (pPr.isEmpty() ? QString() : u"<w:pPr>"_s + pPr + u"</w:pPr>"_s) + runs + u"</w:p>"_s;
}

QString run(const QString& text, const QString& rPr)
{
    QString out = u"<w:r>"_s;
    if (!rPr.isEmpty())
        out += u"<w:rPr>"_s + rPr + u"</w:rPr>"_s;
    // Tabs in the text become w:tab, as Word writes them.
    const QStringList pieces = text.split(u'\t');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += u"<w:tab/>"_s;
        if (!pieces[i].isEmpty())
            out += u"<w:t xml:space=\"preserve\">"_s + xmlEscaped(pieces[i]) + u"</w:t>"_s;
    }
    return out + u"</w:r>"_s;
}

QString listParagraph(int numId, int level, const QString& runs)
{
    return paragraph(
        runs, u"<w:numPr><w:ilvl w:val=\"%1\"/><w:numId w:val=\"%2\"/></w:numPr>"_s.arg(level).arg(numId));
}

QString table(const QList<QStringList>& rows, bool borders, int cellWidthTwips)
{
    int columns = 0;
    for (const QStringList& r : rows)
        columns = std::max(columns, int(r.size()));
    QString out = u"<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/>"_s;
    if (borders) {
        out += u"<w:tblStyle w:val=\"TableGrid\"/><w:tblBorders>"_s;
        for (const char16_t* side : {u"top", u"left", u"bottom", u"right", u"insideH", u"insideV"})
            out += u"<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"_s.arg(
                QStringView(side));
        out += u"</w:tblBorders>"_s;
    }
    out += u"</w:tblPr><w:tblGrid>"_s;
    for (int c = 0; c < columns; ++c)
        out += u"<w:gridCol w:w=\"%1\"/>"_s.arg(cellWidthTwips);
    out += u"</w:tblGrid>"_s;
    for (const QStringList& r : rows) {
        out += u"<w:tr>"_s;
        for (const QString& cell : r)
            out += u"<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>"_s.arg(cellWidthTwips) +
                   (cell.isEmpty() ? u"<w:p/>"_s : cell) + u"</w:tc>"_s;
        out += u"</w:tr>"_s;
    }
    return out + u"</w:tbl>"_s;
}

DocxPackage::DocxPackage(Flavour flavour) : flavour_(flavour) {}

QString DocxPackage::addRelationship(const QString& type, const QString& target)
{
    // rId1..rId3 are the styles, the numbering and the settings, as Word numbers them.
    const QString id = u"rId"_s + QString::number(rels_.size() + 10);
    rels_.append({id, kRelBase + type});
    relTargets_.append(target);
    return id;
}

QString DocxPackage::media(const QByteArray& bytes, const QString& extension)
{
    const QString name = u"media/image"_s + QString::number(media_.size() + 1) + u'.' + extension;
    media_.append({u"word/"_s + name, bytes});
    return addRelationship(u"image"_s, name);
}

QString DocxPackage::picture(const QByteArray& bytes, const QString& extension, double w, double h,
                             bool anchored)
{
    const QString id = media(bytes, extension);
    const int n = nextDrawing_++;
    const QString graphic =
        uR"(<a:graphic xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:nvPicPr><pic:cNvPr id="%1" name="图片 %1"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed="%2"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%3" cy="%4"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic>)"_s
            .arg(n)
            .arg(id)
            .arg(emu(w))
            .arg(emu(h));
    QString frame;
    if (anchored) {
        frame =
            uR"(<wp:anchor distT="0" distB="0" distL="114300" distR="114300" simplePos="0" relativeHeight="251659264" behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1"><wp:simplePos x="0" y="0"/><wp:positionH relativeFrom="column"><wp:posOffset>3600000</wp:posOffset></wp:positionH><wp:positionV relativeFrom="paragraph"><wp:posOffset>0</wp:posOffset></wp:positionV><wp:extent cx="%1" cy="%2"/><wp:effectExtent l="0" t="0" r="0" b="0"/><wp:wrapSquare wrapText="bothSides"/><wp:docPr id="%3" name="图片 %3"/><wp:cNvGraphicFramePr/>%4</wp:anchor>)"_s
                .arg(emu(w))
                .arg(emu(h))
                .arg(n)
                .arg(graphic);
    } else {
        frame =
            uR"(<wp:inline distT="0" distB="0" distL="0" distR="0"><wp:extent cx="%1" cy="%2"/><wp:effectExtent l="0" t="0" r="0" b="0"/><wp:docPr id="%3" name="图片 %3"/><wp:cNvGraphicFramePr><a:graphicFrameLocks xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" noChangeAspect="1"/></wp:cNvGraphicFramePr>%4</wp:inline>)"_s
                .arg(emu(w))
                .arg(emu(h))
                .arg(n)
                .arg(graphic);
    }
    return u"<w:r><w:rPr><w:noProof/></w:rPr><w:drawing>"_s + frame + u"</w:drawing></w:r>"_s;
}

QString DocxPackage::vmlPicture(const QByteArray& bytes, const QString& extension, double w, double h)
{
    const QString id = media(bytes, extension);
    const int n = nextDrawing_++;
    return uR"(<w:r><w:pict><v:shape id="_x0000_i10%1" type="#_x0000_t75" style="width:%2pt;height:%3pt" o:ole=""><v:imagedata r:id="%4" o:title=""/></v:shape></w:pict></w:r>)"_s
        .arg(n)
        .arg(w)
        .arg(h)
        .arg(id);
}

QString DocxPackage::oleObject(const QByteArray& compoundFile, const QByteArray& previewWmf, double w,
                               double h, const QString& progId)
{
    const QString image = media(previewWmf, u"wmf"_s);
    const QString name = u"embeddings/oleObject"_s + QString::number(media_.size()) + u".bin"_s;
    media_.append({u"word/"_s + name, compoundFile});
    const QString object = addRelationship(u"oleObject"_s, name);
    const int n = nextDrawing_++;
    return uR"(<w:r><w:object w:dxaOrig="%1" w:dyaOrig="%2"><v:shape id="_x0000_i10%3" type="#_x0000_t75" style="width:%4pt;height:%5pt" o:ole=""><v:imagedata r:id="%6" o:title=""/></v:shape><o:OLEObject Type="Embed" ProgID="%7" ShapeID="_x0000_i10%3" DrawAspect="Content" ObjectID="_17%3" r:id="%8"/></w:object></w:r>)"_s
        .arg(qRound(w * 20))
        .arg(qRound(h * 20))
        .arg(n)
        .arg(w)
        .arg(h)
        .arg(image, progId, object);
}

QString DocxPackage::drawnShape(double w, double h)
{
    const int n = nextDrawing_++;
    return uR"(<w:r><mc:AlternateContent><mc:Choice Requires="wpg"><w:drawing><wp:anchor distT="0" distB="0" distL="114300" distR="114300" simplePos="0" relativeHeight="251660288" behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1"><wp:simplePos x="0" y="0"/><wp:positionH relativeFrom="column"><wp:posOffset>0</wp:posOffset></wp:positionH><wp:positionV relativeFrom="paragraph"><wp:posOffset>0</wp:posOffset></wp:positionV><wp:extent cx="%1" cy="%2"/><wp:wrapNone/><wp:docPr id="%3" name="组合 %3"/><wp:cNvGraphicFramePr/><a:graphic xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:graphicData uri="http://schemas.microsoft.com/office/word/2010/wordprocessingGroup"><wpg:wgp><wpg:cNvGrpSpPr/><wpg:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%1" cy="%2"/><a:chOff x="0" y="0"/><a:chExt cx="%1" cy="%2"/></a:xfrm></wpg:grpSpPr><wps:wsp><wps:cNvPr id="%4" name="直接连接符 %4"/><wps:cNvCnPr/><wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%1" cy="%2"/></a:xfrm><a:prstGeom prst="line"><a:avLst/></a:prstGeom></wps:spPr><wps:bodyPr/></wps:wsp><wps:wsp><wps:cNvPr id="%5" name="矩形 %5"/><wps:cNvSpPr/><wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%1" cy="%2"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></wps:spPr><wps:bodyPr/></wps:wsp></wpg:wgp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice><mc:Fallback><w:pict><v:group id="组合 %3" style="width:%6pt;height:%7pt" coordsize="%1,%2"><v:line from="0,0" to="%1,%2"/><v:rect style="width:%1;height:%2"/></v:group></w:pict></mc:Fallback></mc:AlternateContent></w:r>)"_s
        .arg(emu(w))
        .arg(emu(h))
        .arg(n)
        .arg(n + 1000)
        .arg(n + 2000)
        .arg(w)
        .arg(h);
}

QList<std::pair<QString, QByteArray>> DocxPackage::parts() const
{
    QList<std::pair<QString, QByteArray>> out;
    QString types =
        uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        u"\n"
        uR"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
        uR"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
        uR"(<Default Extension="xml" ContentType="application/xml"/>)"_s;
    QStringList extensions;
    for (const auto& [name, bytes] : media_) {
        const QString ext = name.section(u'.', -1);
        if (!extensions.contains(ext)) {
            extensions << ext;
            types += u"<Default Extension=\"%1\" ContentType=\"%2\"/>"_s.arg(ext, contentTypeOf(ext));
        }
    }
    types +=
        uR"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
        uR"(<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>)"_s;
    if (!numbering_.isEmpty())
        types +=
            uR"(<Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"/>)"_s;
    types +=
        uR"(<Override PartName="/word/theme/theme1.xml" ContentType="application/vnd.openxmlformats-officedocument.theme+xml"/>)"
        uR"(<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>)"
        u"</Types>"_s;
    out.append({u"[Content_Types].xml"_s, types.toUtf8()});
    out.append({u"_rels/.rels"_s, uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)"_s
                                      .toUtf8()});
    const QString application = flavour_ == Flavour::Wps
                                    ? u"WPS Office_11.1.0.11664_F1E327BC-269C-435d-A152-05C5408002CA"_s
                                    : u"Microsoft Office Word"_s;
    out.append({u"docProps/app.xml"_s, (uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"><Application>)"_s +
                                        application + u"</Application></Properties>"_s)
                                           .toUtf8()});

    QString document =
        uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        u"\n<w:document"_s +
        documentNamespaces(flavour_) + u"><w:body>"_s + body_ +
        uR"(<w:sectPr><w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:right="1800" w:bottom="1440" w:left="1800" w:header="851" w:footer="992" w:gutter="0"/><w:cols w:space="425"/></w:sectPr></w:body></w:document>)"_s;
    out.append({u"word/document.xml"_s, document.toUtf8()});

    QString rels =
        uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        u"\n"
        uR"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        uR"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
        uR"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme" Target="theme/theme1.xml"/>)"_s;
    if (!numbering_.isEmpty())
        rels +=
            uR"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering" Target="numbering.xml"/>)"_s;
    for (qsizetype i = 0; i < rels_.size(); ++i)
        rels += u"<Relationship Id=\"%1\" Type=\"%2\" Target=\"%3\"/>"_s.arg(rels_[i].first, rels_[i].second,
                                                                             relTargets_[i]);
    rels += u"</Relationships>"_s;
    out.append({u"word/_rels/document.xml.rels"_s, rels.toUtf8()});

    // Chinese Word sets 宋体 through the theme (minorEastAsia) and 五号 (10.5 pt).
    const QString styles = uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:asciiTheme="minorHAnsi" w:eastAsiaTheme="minorEastAsia" w:hAnsiTheme="minorHAnsi" w:cstheme="minorBidi"/><w:kern w:val="2"/><w:sz w:val="21"/><w:szCs w:val="22"/><w:lang w:val="en-US" w:eastAsia="zh-CN" w:bidi="ar-SA"/></w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="a"><w:name w:val="Normal"/><w:qFormat/><w:pPr><w:widowControl w:val="0"/><w:jc w:val="both"/></w:pPr></w:style><w:style w:type="paragraph" w:styleId="1"><w:name w:val="heading 1"/><w:basedOn w:val="a"/><w:next w:val="a"/><w:qFormat/><w:pPr><w:keepNext/><w:outlineLvl w:val="0"/></w:pPr><w:rPr><w:b/><w:bCs/><w:kern w:val="44"/><w:sz w:val="44"/><w:szCs w:val="44"/></w:rPr></w:style><w:style w:type="character" w:styleId="a3"><w:name w:val="Strong"/><w:rPr><w:b/></w:rPr></w:style><w:style w:type="table" w:styleId="TableGrid"><w:name w:val="Table Grid"/><w:tblPr><w:tblBorders><w:top w:val="single" w:sz="4" w:space="0" w:color="auto"/></w:tblBorders></w:tblPr></w:style>)"_s +
                           styles_ + u"</w:styles>"_s;
    out.append({u"word/styles.xml"_s, styles.toUtf8()});
    if (!numbering_.isEmpty()) {
        out.append({u"word/numbering.xml"_s, (uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:numbering xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"_s +
                                              numbering_ + u"</w:numbering>"_s)
                                                 .toUtf8()});
    }
    const QString theme = uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="Office 主题"><a:themeElements><a:fontScheme name="Office"><a:majorFont><a:latin typeface="Calibri Light"/><a:ea typeface=""/><a:cs typeface=""/><a:font script="Hans" typeface="等线 Light"/></a:majorFont><a:minorFont><a:latin typeface="Calibri"/><a:ea typeface=""/><a:cs typeface=""/><a:font script="Hans" typeface="等线"/></a:minorFont></a:fontScheme></a:themeElements></a:theme>)"_s;
    out.append({u"word/theme/theme1.xml"_s, theme.toUtf8()});
    for (const auto& m : media_)
        out.append(m);
    return out;
}

} // namespace docxgen
