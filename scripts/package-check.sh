#!/usr/bin/env bash
# Checks the Debian package the way a school meets it. Run as root (CI is):
#   1. makes the package from the build folder (the default build: the same
#      install rules and CPack settings as the release preset, no second
#      compile) and looks at what it holds: files under /usr only, nothing
#      that runs at install time (so no network access and nothing written
#      into a home);
#   2. lintian (no errors), desktop-file-validate and appstreamcli validate;
#   3. apt-get install ./tiku_<version>_<arch>.deb; tiku --version and
#      tiku-admin --version say the package's version;
#   4. starts tiku as an ordinary user (tikucheck, made when missing) under
#      the offscreen platform until its login window shows, on a bank made
#      in that user's data folder from the installed template;
#   5. installs the package again over it (what an upgrade does to the
#      files): the user's bank, which the user changed, stays as it was;
#   6. apt-get remove: none of the package's files is left, the user's bank is.
# Then the release tarball (scripts/dist.sh) is made, and its formula engine
# is built with no network at all.
# usage: scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
id=cn.qingtong.tiku
pkg=tiku
check_user=tikucheck
fail() {
  echo "package-check: $*" >&2
  exit 1
}

echo "--- the package"
rm -f "$build"/${pkg}_*.deb
cmake --build "$build" --target package >"$build/package.log" 2>&1 || { cat "$build/package.log"; fail "cpack failed"; }
deb=$(ls "$build"/${pkg}_*.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "$deb: version $version; depends: $(dpkg-deb -f "$deb" Depends)"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -v -x -e './' -e './control' -e './md5sums' || true)
[ -z "$scripts" ] || fail "the package runs something at install time: $scripts"

echo "--- lintian"
lintian --fail-on error --no-tag-display-limit "$deb"

echo "--- desktop file and AppStream metadata"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/$id.metainfo.xml"

echo "--- apt-get install"
if dpkg-query -W -f='${Status}' $pkg 2>/dev/null | grep -q "ok installed"; then
  apt-get remove -y -qq $pkg >/dev/null
fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
[ "$(tiku-admin --version)" = "tiku-admin $version" ] || fail "tiku-admin --version: $(tiku-admin --version)"
[ "$(tiku --version)" = "tiku $version" ] || fail "tiku --version: $(tiku --version)"
tiku-admin --version

echo "--- the first start of an ordinary user"
made_user=no
if ! id -u $check_user >/dev/null 2>&1; then
  useradd --create-home --shell /bin/sh $check_user
  made_user=yes
fi
home=$(getent passwd $check_user | cut -d: -f6)
bank=$home/.local/share/$id/DATA/TiKu.mdb
rm -rf "${home:?}/.local/share/$id"
as_user() {
  (cd / && runuser -u $check_user -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen timeout 120 "$@")
}
said=$(as_user tiku --start-check) || fail "tiku --start-check as $check_user failed"
echo "$said"
[ "$said" = "login window shown; bank: $bank" ] || fail "unexpected: $said"
[ "$(stat -c %U "$bank")" = $check_user ] || fail "$bank does not belong to $check_user"
cmp -s "$bank" /usr/share/$id/TiKu.mdb || fail "$bank is not the template"

echo "--- installed again over the user's bank"
as_user tiku-admin rename "$bank" --question-type 选择题 单项选择题
before=$(sha256sum <"$bank")
apt-get install -y -qq --reinstall "$deb" >/dev/null
[ "$(sha256sum <"$bank")" = "$before" ] || fail "installing the package again changed $bank"
as_user tiku --start-check >/dev/null || fail "the second start failed"
[ "$(sha256sum <"$bank")" = "$before" ] || fail "the second start changed $bank"

echo "--- apt-get remove"
mapfile -t files < <(dpkg-query -L $pkg | while read -r f; do [ -d "$f" ] || echo "$f"; done)
apt-get remove -y -qq $pkg >/dev/null
if dpkg-query -W -f='${Status}' $pkg 2>/dev/null | grep -q "installed"; then
  fail "$pkg is still installed: $(dpkg-query -W -f='${Status}' $pkg)"
fi
left=()
for f in "${files[@]}" /usr/share/$id /usr/share/doc/$pkg; do
  [ -e "$f" ] && left+=("$f")
done
[ ${#left[@]} -eq 0 ] || fail "left after apt-get remove: ${left[*]}"
[ "$(sha256sum <"$bank")" = "$before" ] || fail "apt-get remove changed $bank"
echo "removed ${#files[@]} files; the user's bank $bank is kept"
if [ $made_user = yes ]; then
  userdel --remove $check_user 2>/dev/null || true
fi

echo "--- the release tarball builds its formula engine without the network"
tarball=$(scripts/dist.sh "$unpacked/dist" | tail -1)
tar -xzf "$tarball" -C "$unpacked"
src="$unpacked/$(basename "$tarball" .tar.gz)"
[ -f "$src/prebuilt/formula-engine.js" ] || fail "$tarball has no prebuilt/formula-engine.js"
unshare --net cmake -S "$src" -B "$unpacked/offline" -G Ninja -DTIKU_BUILD_TESTS=OFF >"$unpacked/offline.log"
grep -q "prebuilt, no npm" "$unpacked/offline.log" || fail "the tarball's build does not use its prebuilt formula engine"
unshare --net cmake --build "$unpacked/offline" --target formula_engine_script >/dev/null
cmp -s "$src/prebuilt/formula-engine.js" "$unpacked/offline/bin/formula-engine.js" || fail "offline formula engine differs"
echo "$(basename "$tarball"): the formula engine built offline"
echo "package-check: all passed"
