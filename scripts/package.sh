#!/usr/bin/env bash
# Makes the Debian package build-release/tiku_<version>_<arch>.deb from the
# release preset (what `cmake --build --preset release --target package`
# does, with the packages it needs installed and the preset configured).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh package
cmake --preset release >/dev/null
cmake --build --preset release --target package
ls -1 build-release/tiku_*.deb
