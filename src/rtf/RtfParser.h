#pragma once

#include "rtf/RtfModel.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <functional>

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

// Parses as parse() does, and hands the document on in pieces while it reads:
// each time `blocksPerPiece` top-level blocks are complete (no table open),
// `piece` gets them with their own paragraphs, tables and pictures and the
// formats, links, font names and colours known so far; the last piece is
// returned. Building the pieces one after the other gives the document that
// parse() gives, so a reader can build while the rest is parsed.
Content parse(QByteArrayView rtf, const std::function<void(Content&&)>& piece, std::size_t blocksPerPiece);

} // namespace rtf
