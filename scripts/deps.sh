#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need.
# Run as root on a fresh machine; safe to run again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libsodium-dev
  qt6-declarative-dev qt6-svg-dev qt6-translations-l10n
  fonts-noto-cjk xvfb libquazip1-qt6-dev
)
# The build bundles the formula engine with npm. A Node.js installed otherwise
# (with its own npm) is used as it is: Debian's npm would conflict with it.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi
# The Debian package: dpkg-shlibdeps (dpkg-dev) computes its dependencies, the
# release preset it is made from builds the benchmarks too, and the checks
# are lintian, desktop-file-validate and appstreamcli.
package=(dpkg-dev libbenchmark-dev lintian desktop-file-utils appstream)
# The package check installs the package into a fresh Debian 12 it makes.
package_check=(mmdebstrap)
case "${1:-run}" in
  run) ;;
  package) packages+=("${package[@]}") ;;
  test) packages+=(clang-14 clang-format-14 libclang-rt-14-dev libbenchmark-dev libreoffice-writer-nogui abiword imagemagick poppler-utils "${package[@]}" "${package_check[@]}") ;;
  *) echo "usage: $0 [run|package|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
