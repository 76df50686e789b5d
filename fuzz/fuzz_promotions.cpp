// Fuzz target: the Activity reply walked into the promotions page, elements from last to first.
#include "client/core/Promotions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zuvi::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto page = ReadPromotions(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!page)
        return 0;
    // Numbered 1, 2, ... in page order, four lines each, a banner link only with a banner element.
    int expected = 1;
    for (const Promotion& p : *page) {
        if (p.number != expected++ || p.lines.size() != 4)
            std::abort();
        if (!p.lines[0].startsWith(QString::number(p.number) + u'、') || !p.lines[1].startsWith(QStringLiteral("        "))
            || !p.lines[1].endsWith(u'\n') || !p.lines[2].isEmpty() || !p.lines[3].isEmpty())
            std::abort();
    }
    return 0;
}
