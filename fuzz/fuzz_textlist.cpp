// Fuzz target: the list-file reader (byte-order marks, line breaks), with a round-trip property.
#include "platform/os/textlist.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using zuvi::os::TextList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TextList list = TextList::decode(bytes);
    for (const QString& line : list.lines)
        if (line.contains(u'\r') || line.contains(u'\n'))
            std::abort();
    // What a save writes reads back as the same list in the same encoding.
    const TextList again = TextList::decode(list.encode());
    if (again.lines != list.lines || again.encoding != list.encoding)
        std::abort();
    return 0;
}
