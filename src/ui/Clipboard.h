#pragma once

#include <QByteArray>

// The system clipboard in its RTF format: MIME type text/rtf, which office
// suites exchange, and the Windows clipboard format "Rich Text Format" of Word
// and WPS; reading also accepts application/rtf and text/richtext.
namespace Clipboard {
// Empties the clipboard.
void Clear();
// Puts `rtf` on the clipboard under both RTF types, byte for byte, together
// with its plain text so that programs without RTF can paste something.
void SetText(const QByteArray& rtf);
// The RTF on the clipboard exactly as it was put there (a Windows "Rich Text
// Format" block without its closing NULs), or the empty text when the
// clipboard holds no RTF (plain text or HTML alone do not count).
QByteArray GetText();
} // namespace Clipboard
