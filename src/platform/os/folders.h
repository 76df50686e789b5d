// Folder service: the data folder, account folders, the program folder and small file helpers.
#pragma once

#include <QString>

namespace zuvi::os {

// "$XDG_DATA_HOME/zuvi/" (default "~/.local/share/zuvi/"), with the trailing "/".
QString dataFolder();

// The data folder joined with the account name and "/". An empty name gives the data folder itself.
// Characters that would leave the folder ("/", "\", NUL) and "%" are written as "%XX", and a name of
// only dots gets its dots escaped the same way, so every account stays one folder below the data folder.
QString accountFolder(const QString& account);

// Creates the folder when it is missing: that one level only, never its parents (so an account
// folder is never created without the data folder). For the data folder itself a missing XDG data
// home above it is created too. A folder made here has mode 0700 whatever the umask.
// True when the folder exists afterwards.
bool ensureDir(const QString& path);

// Full path of the running executable.
QString programPath();

// Folder of the running executable, with the trailing "/".
QString programFolder();

// Replaces every "\" with "/".
QString toPosixPath(QString path);

bool fileExists(const QString& path);
bool dirExists(const QString& path);

// Creates an empty file (mode 0600, whatever the umask) when none exists; throws zuvi::Exception
// when that fails or an existing file cannot be written.
void ensureFile(const QString& path);

// Removes a file; false when it was not there or could not be removed.
bool deleteFile(const QString& path);

} // namespace zuvi::os
