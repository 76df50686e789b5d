// Fuzz target: the pair swap and MIME Base64 of the scrambled replies, with round-trip properties.
#include "platform/net/WebReply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zuvi::net;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // The swap is its own inverse and keeps the length, over any UTF-16 text.
    const QString text = bodyText(bytes);
    const QString swapped = SwapCharPairs(text);
    if (swapped.size() != text.size() || SwapCharPairs(swapped) != text)
        std::abort();

    // Any bytes survive the service's scrambling (Base64, then the swap) and its undoing.
    const QString scrambled = SwapCharPairs(QString::fromLatin1(bytes.toBase64()));
    if (DecodeMimeBase64(SwapCharPairs(scrambled)) != bytes)
        std::abort();

    // The lenient decoder never yields more than three bytes for four characters.
    const QByteArray decoded = DecodeMimeBase64(text);
    if (decoded.size() > text.size() / 4 * 3)
        std::abort();
    (void)unscrambleReply(text);
    (void)unscrambleReply(bytes);
    return 0;
}
