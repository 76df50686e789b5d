#!/usr/bin/env bash
# Builds the thread hand-off suites with ThreadSanitizer in build-tsan/ and runs them; fails on a
# failing test or any sanitizer report. Usage: scripts/tsan.sh [suite ...] (default: the restore worker).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
suites=("$@")
[ ${#suites[@]} -eq 0 ] && suites=(client_AddressBookRestoreTest)
flags=-fsanitize=thread
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS=$flags -DCMAKE_CXX_FLAGS=$flags -DCMAKE_EXE_LINKER_FLAGS=$flags -DCMAKE_SHARED_LINKER_FLAGS=$flags >/dev/null
cmake --build "$root/build-tsan" -j"${JOBS:-4}" --target "${suites[@]}"
# The suites start the simulator with fork (no QProcess: its child shares the parent's memory
# until exec, which leaves the sanitizer blind in the parent).
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="die_after_fork=0 halt_on_error=0 exitcode=66 suppressions=$root/tests/client/tsan.supp"
status=0
for suite in "${suites[@]}"; do
  echo "== $suite"
  "$root/build-tsan/bin/$suite" || status=1
done
exit $status
