// Text list files: lists of lines saved and loaded whole.
#pragma once

#include <QString>
#include <QStringList>

namespace zuvi::os {

enum class TextEncoding {
    Ansi, // GBK, no byte-order mark
    Utf8, // with the mark EF BB BF
    Utf16LE, // with the mark FF FE
    Utf16BE, // with the mark FE FF
};

// A list of lines and the encoding of the file it came from (like a string list's encoding).
// File form: every line followed by CR LF. Reading splits at CR LF, LF or a lone CR; a last line
// without a line break is still a line; an empty file (or one holding only a mark) gives no lines.
struct TextList {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;

    // Replaces lines and encoding with the file's. False when the file cannot be read (missing,
    // a folder, no permission); the list is then unchanged.
    bool load(const QString& path);

    // Writes the whole list in its encoding, atomically. Throws zuvi::Exception on failure.
    void save(const QString& path) const;

    // The bytes save() writes / the list a file's bytes give.
    QByteArray encode() const;
    static TextList decode(const QByteArray& bytes);
};

} // namespace zuvi::os
