// Single-instance lock: a per-user lock held for the life of the process.
#pragma once

#include <QString>

namespace zuvi::os {

// Takes the lock "<name>.lock" in $XDG_RUNTIME_DIR (else /tmp/<name>-<uid>.lock) with flock and holds it
// until the process ends. False when another live process holds it. A lock of a process that died is
// released by the system, so it never blocks a later start. The descriptor is close-on-exec, so
// programs started from here do not keep the lock. Calling it again in the same process returns true.
bool acquireSingleInstance(const QString& name);

} // namespace zuvi::os
