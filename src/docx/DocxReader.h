#pragma once

#include "docx/DocxModel.h"
#include "docx/ZipArchive.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

// Reads a Word document (.docx, as Word and WPS write it) into the model:
// paragraphs and runs with their formats, tables, pictures inline and
// anchored in document order, Word's equations (OMML) and MathType or
// Equation Editor objects as LaTeX, and the labels of numbered lists.
//
// Safe with any bytes: a file that is no Word document, an encrypted one, a
// damaged one or a zip bomb gives a clear message (for the teacher, naming
// the file) and no document.
namespace docx {

// What a file is, from its first bytes, to say the right thing about it.
enum class FileKind {
    Zip,               // a zip package: .docx (or another Office file)
    WordBinary,        // a compound file with a WordDocument stream: .doc, .wps
    EncryptedPackage,  // a compound file holding an encrypted Office package
    OtherCompoundFile, // another compound file (.xls, .ppt, ...)
    Rtf,
    Other,
};
FileKind detectFileKind(const QByteArray& data);

class DocxReader
{
public:
    // The largest file read at all.
    static constexpr qint64 kMaxFileBytes = 512ll * 1024 * 1024;

    // Reads the file at `path`; nullopt with the message in `error`.
    static std::optional<Document> readFile(const QString& path, QString* error,
                                            const ArchiveLimits& limits = ArchiveLimits());
    // The same for a file's bytes; `fileName` names it in messages.
    static std::optional<Document> readBytes(const QByteArray& data, const QString& fileName, QString* error,
                                             const ArchiveLimits& limits = ArchiveLimits());

    // Reads a package whose parts `part` hands over by name ("word/document.xml");
    // nullopt from `part` for a part that is missing. The message of a
    // failure (no main document, damaged XML) goes to `error`.
    using PartSource = std::function<std::optional<QByteArray>(const QString& name, QString* error)>;
    static std::optional<Document> readPackage(const PartSource& part, QString* error);
};

} // namespace docx
