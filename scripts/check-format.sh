#!/usr/bin/env bash
# Fails when a C++ file of the project differs from .clang-format; prints the
# files. With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."

cf=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$cf" ]; then
  echo "clang-format-14 is missing (scripts/deps.sh test installs it)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' | grep -v '^tests/data/')
if [ "${1:-}" = "--fix" ]; then
  "$cf" -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  "$cf" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "These files differ from .clang-format (scripts/check-format.sh --fix formats them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
