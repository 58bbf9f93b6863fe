#!/usr/bin/env bash
# Checks the Debian package the way a school meets it. Run as root (CI is):
#   1. makes the package from the build folder (the default build: the same
#      install rules and CPack settings as the release preset, no second
#      compile) and looks at what it holds: its version is the project's,
#      files are under /usr only, nothing runs at install time (so no network
#      access and nothing written into a home);
#   2. lintian (no errors), desktop-file-validate and appstreamcli validate;
#   3. in a fresh, minimal Debian 12 made by mmdebstrap (nothing of this
#      machine's packages, nothing of the build tree but the package), runs
#      scripts/package-check-system.sh: apt-get install ./tiku_<version>_<arch>.deb,
#      the versions, a start as an ordinary user until the login window
#      shows on a bank made in that user's data folder, an upgrade to the
#      next version over the user's changed bank, apt-get remove: none of
#      the package's files left, the user's bank as it was;
#   4. makes the release tarball (scripts/dist.sh) and configures it, and
#      builds its formula engine, with no network at all.
# The fresh system is kept as a tarball in $TIKU_PACKAGE_CHECK_CACHE
# (/var/cache/tiku-package-check) for a week; the packages installed into it
# come through this machine's apt cache (/var/cache/apt/archives).
# usage: scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
id=cn.qingtong.tiku
pkg=tiku
cache=${TIKU_PACKAGE_CHECK_CACHE:-/var/cache/tiku-package-check}
fail() {
  echo "package-check: $*" >&2
  exit 1
}
started=$SECONDS
work=$(mktemp -d /var/tmp/tiku-package-check.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "--- the package"
rm -f "$build"/${pkg}_*.deb
cmake --build "$build" --target package >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$build"/${pkg}_*.deb)
version=$(dpkg-deb -f "$deb" Version)
project_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ "$version" = "$project_version" ] || fail "the package's version $version is not the project's $project_version"
echo "$deb: version $version, $(du -k "$deb" | cut -f1) KiB; depends: $(dpkg-deb -f "$deb" Depends)"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -e '^\./usr/' -e '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -v -x -e './' -e './control' -e './md5sums' || true)
[ -z "$scripts" ] || fail "the package runs something at install time: $scripts"

echo "--- lintian"
lintian_rc=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || lintian_rc=$?
grep -v "root privileges is not recommended" "$work/lintian.log" || true
[ $lintian_rc -eq 0 ] || fail "lintian found errors"

echo "--- desktop file and AppStream metadata"
dpkg-deb -x "$deb" "$work/unpacked"
desktop-file-validate "$work/unpacked/usr/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$work/unpacked/usr/share/metainfo/$id.metainfo.xml"
echo "checked $(($SECONDS - started)) s"

echo "--- a fresh Debian 12"
mkdir -p "$cache"
system=$cache/bookworm-minbase.tar
if [ -z "$(find "$system" -mtime -7 2>/dev/null)" ]; then
  # Debian's own mirrors, with the updates and the security updates, as a
  # school's machine has them.
  mmdebstrap --mode=root --variant=minbase --quiet bookworm "$system.part" >"$work/mmdebstrap.log" 2>&1 ||
    { cat "$work/mmdebstrap.log"; fail "mmdebstrap failed"; }
  mv "$system.part" "$system"
fi
root=$work/root
mkdir "$root"
tar -xf "$system" -C "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# The next version of the package, as an upgrade brings it: the same files
# under a higher version.
next=$work/next
dpkg-deb -R "$deb" "$next"
sed -i "s/^Version: .*/Version: $version+1/" "$next/DEBIAN/control"
dpkg-deb --root-owner-group -b "$next" "$root/tmp/${pkg}_$version+1.deb" >/dev/null
cp "$deb" scripts/package-check-system.sh "$root/tmp/"
mkdir -p /var/cache/apt/archives/partial
# Its own mount namespace: the mounts go when the check ends, however it ends.
unshare --mount --propagation private --fork /bin/bash -euc '
  root=$1
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/run"
  mount --bind /var/cache/apt/archives "$root/var/cache/apt/archives"
  exec chroot "$root" /bin/bash /tmp/package-check-system.sh "/tmp/$2" "$3" "/tmp/$4"
' package-check "$root" "$(basename "$deb")" "$version" "${pkg}_$version+1.deb"
echo "checked $(($SECONDS - started)) s"

echo "--- the release tarball builds its formula engine without the network"
tarball=$(scripts/dist.sh --engine "$build/bin/formula-engine.js" "$work/dist" | tail -1)
tar -xzf "$tarball" -C "$work"
src="$work/$(basename "$tarball" .tar.gz)"
[ -f "$src/prebuilt/formula-engine.js" ] || fail "$tarball has no prebuilt/formula-engine.js"
unshare --net cmake -S "$src" -B "$work/offline" -G Ninja -DTIKU_BUILD_TESTS=OFF >"$work/offline.log" ||
  { cat "$work/offline.log"; fail "the tarball does not configure without the network"; }
grep -q "prebuilt, no npm" "$work/offline.log" || fail "the tarball's build does not use its prebuilt formula engine"
unshare --net cmake --build "$work/offline" --target formula_engine_script >/dev/null
cmp -s "$src/prebuilt/formula-engine.js" "$work/offline/bin/formula-engine.js" || fail "offline formula engine differs"
echo "$(basename "$tarball"): configured and its formula engine built offline"
echo "package-check: all passed in $(($SECONDS - started)) s"
