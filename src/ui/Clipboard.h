#pragma once

#include <QByteArray>

// The system clipboard in its RTF format (MIME type text/rtf; reading also
// accepts application/rtf and text/richtext).
namespace Clipboard {
void Clear();
void SetText(const QByteArray& rtf);
// The RTF on the clipboard, or the empty text when it holds none.
QByteArray GetText();
} // namespace Clipboard
