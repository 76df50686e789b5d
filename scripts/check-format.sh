#!/usr/bin/env bash
# Fails, naming the files, when a tracked C or C++ file differs from .clang-format's layout.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r f; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.c' '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted (run clang-format -i): %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: every C and C++ file follows .clang-format"
