// libFuzzer target for equation objects: any bytes as an MTEF stream, as
// RTF's \objdata (OLE 1 wrapper, compound file, "Equation Native") and as a
// compound file whose every stream is read.
#include "metafile/CompoundFile.h"
#include "metafile/Mtef.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    metafile::mtefToLatex(input);
    metafile::equationObjectToLatex(input);
    if (const auto file = metafile::CompoundFile::read(input)) {
        for (const auto& e : file->entries()) {
            if (!e.storage)
                file->stream(e.path);
        }
    }
    return 0;
}
