#!/usr/bin/env bash
# Builds the program and starts it on the bundled default bank.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default

cat <<'TXT'

  Program:       build/bin/tiku
  Bank file:     build/bin/DATA/TiKu.mdb
  Default account (super administrator):
      用户名 admin
      密  码 admin123

TXT
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under xvfb-run." >&2
  exec xvfb-run -a build/bin/tiku
fi
exec build/bin/tiku
