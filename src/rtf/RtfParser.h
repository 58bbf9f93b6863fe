#pragma once

#include "rtf/RtfModel.h"

#include <QByteArrayView>
#include <QString>

namespace rtf {

// Limits that keep malformed input bounded.
inline constexpr int kMaxGroupDepth = 1000; // deeper groups are counted, not kept
inline constexpr int kMaxTableNesting = 32; // \itap beyond this is clamped
inline constexpr int kMaxCellsPerRow = 256;
inline constexpr int kMaxCellBoundary = 1000000; // twips; \cellx is clamped to +-this

// The longest font family name kept.
inline constexpr int kMaxFontFamily = 100;

// A font name as the reader keeps it, and the writer writes it.
QString fontFamilyName(const QString& name);

// A hyperlink target as the reader keeps it, and the writer writes it: the
// field instruction quotes it, so quotes and control characters are dropped.
QString linkTarget(const QString& url);

// Parses RTF into the intermediate model. Input that does not start with
// "{\rtf" is taken as plain text (UTF-8 when valid, code page 936 otherwise).
Content parse(QByteArrayView rtf);

} // namespace rtf
