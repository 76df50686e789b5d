// Code page service: conversions between program text (UTF-16) and the ANSI code page (CP936/GBK) or UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

namespace zuvi::os {

// Program text to ANSI (GBK) bytes. Each character GBK cannot hold (a surrogate pair counts as one
// character, a lone surrogate as one) becomes a single "?".
QByteArray toAnsi(const QString& text);

// ANSI (GBK) bytes to program text. A byte that does not start a valid GBK sequence becomes "?"
// and decoding goes on with the next byte, so an ASCII byte after a broken lead byte is kept.
// A lone lead byte at the end becomes "?". Never fails.
QString fromAnsi(const QByteArray& bytes);

// Program text to UTF-8; a lone surrogate becomes U+FFFD.
QByteArray toUtf8(const QString& text);

// UTF-8 to program text; malformed sequences become U+FFFD. A leading byte-order mark is dropped.
QString fromUtf8(const QByteArray& bytes);

} // namespace zuvi::os
