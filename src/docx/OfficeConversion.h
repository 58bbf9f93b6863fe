#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Word 97-2003 (.doc) and WPS (.wps) files through LibreOffice, when it is
// installed: "soffice --headless --convert-to docx" in a profile of its own,
// so that a LibreOffice the teacher has open is not disturbed.
namespace docx {

// The LibreOffice program (soffice) on this machine, or empty.
QString libreOfficeProgram();
// Points libreOfficeProgram() elsewhere ("" for none): tests.
void setLibreOfficeProgram(const QString& path);

// `path` converted to .docx; nullopt with the reason (for the teacher) in
// `error` when LibreOffice is not there or fails. Waits at most `timeoutMs`.
std::optional<QByteArray> convertWithLibreOffice(const QString& path, QString* error, int timeoutMs = 120000);

} // namespace docx
