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

// Starts a file as a program, detached, in the current folder. False when it is not an
// executable file or cannot be started.
bool startProgram(const QString& path, const QStringList& arguments = {});

// Runs a program with its output discarded and waits until it ends, at most timeoutMs; after
// that it (and the processes it started) is killed. True when it started and exited by itself.
bool runAndWait(const QString& program, const QStringList& arguments, int timeoutMs = 30000);

} // namespace zuvi::os
