// Atomic file replacement: every file the program writes goes through here.
#pragma once

#include <QByteArray>
#include <QString>

namespace zuvi::os {

// Modes of what the program creates for its user alone: files and folders.
inline constexpr unsigned kFileMode = 0600;
inline constexpr unsigned kFolderMode = 0700;

// Replaces the file's content with the bytes: writes a temporary file in the same folder, syncs it
// and renames it over the target, so the target holds either the old or the new content, never a
// torn one. The parent folder is not created. A symbolic link is followed and its target replaced.
// mode: the exact permission bits of a newly created file (the process umask plays no part); an
// existing file keeps its mode unless forceMode is set, in which case it always ends with `mode`.
// Throws zuvi::Exception("无法写入文件 <path>") when anything fails; the target is then unchanged.
void writeFileAtomic(const QString& path, const QByteArray& bytes, unsigned mode = kFileMode, bool forceMode = false);

// The message of a failed write, shown by the default error handling.
QString writeErrorMessage(const QString& path);

// Removes what interrupted writes left behind: regular files named like the writer's temporaries
// (".NAME.XXXXXX") in the folder and in its sub-folders one level down. Only for a start-up that
// holds the single-instance lock, when no write of ours can be under way. Returns how many went.
int removeStaleTemporaries(const QString& folder);

} // namespace zuvi::os
