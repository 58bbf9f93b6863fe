#pragma once

// Writes OLE compound files and the OLE 1 wrapper of RTF's \objdata, as
// Word and MathType write them for an embedded equation.

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace metafilegen {

// A compound file (version 3, 512-byte sectors) holding `streams` in its root
// storage; streams under 4096 bytes go into the mini stream, as real files do.
QByteArray compoundFile(const QList<std::pair<QString, QByteArray>>& streams);

// The "Equation Native" stream: its 28-byte header and the MTEF.
QByteArray equationNative(const QByteArray& mtef);

// RTF's \objdata for an embedded object of `className` whose native data is `native`.
QByteArray ole1Object(const QString& className, const QByteArray& native);

// The equation's compound file with the "\1Ole", "\1CompObj" and
// "Equation Native" streams: what a .docx keeps as word/embeddings/oleObjectN.bin.
QByteArray equationStorage(const QByteArray& mtef,
                           const QString& className = QStringLiteral("Equation.DSMT4"));

// The whole equation object: OLE 1 wrapper, compound file with the
// "\1Ole", "\1CompObj" and "Equation Native" streams.
QByteArray equationObject(const QByteArray& mtef,
                          const QString& className = QStringLiteral("Equation.DSMT4"));

} // namespace metafilegen
