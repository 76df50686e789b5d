// Atomic file replacement: every file the program writes goes through here.
#pragma once

#include <QByteArray>
#include <QString>

namespace zuvi::os {

// Replaces the file's content with the bytes: writes a temporary file in the same folder, syncs it
// and renames it over the target, so the target holds either the old or the new content, never a
// torn one. The parent folder is not created. A symbolic link is followed and its target replaced.
// mode: permission bits of a newly created file (masked by the umask); an existing file keeps its mode
// unless forceMode is set, in which case the file always ends with exactly `mode`.
// Throws zuvi::Exception("无法写入文件 <path>") when anything fails; the target is then unchanged.
void writeFileAtomic(const QString& path, const QByteArray& bytes, unsigned mode = 0666, bool forceMode = false);

// The message of a failed write, shown by the default error handling.
QString writeErrorMessage(const QString& path);

} // namespace zuvi::os
