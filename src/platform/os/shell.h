// Shell service: web pages, started programs and helper processes.
#pragma once

#include <QString>
#include <QStringList>

namespace zuvi::os {

// Opens a web page in the default browser (xdg-open, detached). True when the opener started.
// Only http and https addresses are opened; anything else (empty, a file, another scheme) gives false.
// With the environment variable ZUVI_OPEN_URL_LOG set to a file path, the URL and "\n" are
// appended (UTF-8) to that file instead, and no browser starts.
bool openUrl(const QString& url);

// Opens a local file with the desktop's default handler (xdg-open, detached). True when the opener
// started; *pid (when given) is the opener's process id. With ZUVI_OPEN_URL_LOG set, the path is
// appended to that file as openUrl does, and nothing starts (*pid is 0).
bool openFile(const QString& path, qint64* pid = nullptr);

// Starts a file as a program, detached, in the current folder. False when it is not an
// executable file or cannot be started; *pid (when given) is the started process's id.
bool startProgram(const QString& path, const QStringList& arguments = {}, qint64* pid = nullptr);

// Runs a program with its output discarded and waits until it ends, at most timeoutMs; after
// that it (and the processes it started) is killed. True when it started and exited by itself.
bool runAndWait(const QString& program, const QStringList& arguments, int timeoutMs = 30000);

} // namespace zuvi::os
