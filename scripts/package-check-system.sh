#!/bin/bash
# The half of scripts/package-check.sh that runs inside the fresh Debian
# system it made (as root there, with nothing of the build tree but the
# package): install, start as an ordinary user, install again, remove.
# usage (inside that system): package-check-system.sh PACKAGE.deb VERSION
set -euo pipefail
deb=$1
version=$2
next=$3
id=cn.qingtong.tiku
pkg=tiku
user=tikucheck
export DEBIAN_FRONTEND=noninteractive
fail() {
  echo "package-check: $*" >&2
  exit 1
}
# Every path of the system but those that change whatever is installed
# (apt's and dpkg's records, caches, logs) and the user's home.
paths() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run \
    -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/log \
    -o -path /home -o -path /root \) -prune -o -print | sort
}

echo "--- apt-get install ./$(basename "$deb") on a fresh Debian $(cat /etc/debian_version)"
apt-get update -qq
useradd --create-home --shell /bin/sh $user
home=/home/$user
homes_before=$(find /home /root /etc/skel | sort)
# Only what the package depends on: a machine that installs no
# recommendations must get a program that starts.
apt-get install -y -qq --no-install-recommends "$deb" >/tmp/apt-install.log 2>&1 ||
  { cat /tmp/apt-install.log; fail "apt-get install $deb failed"; }
[ "$(find /home /root /etc/skel | sort)" = "$homes_before" ] || fail "installing the package wrote into a home"
[ "$(tiku-admin --version)" = "tiku-admin $version" ] || fail "tiku-admin --version: $(tiku-admin --version)"
[ "$(tiku --version)" = "tiku $version" ] || fail "tiku --version: $(tiku --version)"
tiku-admin --version
mapfile -t files < <(dpkg-query -L $pkg | while read -r f; do [ -d "$f" ] || echo "$f"; done)
echo "${#files[@]} files; dependencies: $(dpkg-query -W -f='${Depends}' $pkg)"

echo "--- the first start of the ordinary user $user"
bank=$home/.local/share/$id/DATA/TiKu.mdb
as_user() {
  (cd / && runuser -u $user -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen timeout 120 "$@")
}
said=$(as_user tiku --start-check) || fail "tiku --start-check as $user failed"
echo "$said"
[ "$said" = "login window shown; bank: $bank" ] || fail "unexpected: $said"
[ "$(stat -c %U "$bank")" = $user ] || fail "$bank does not belong to $user"
cmp -s "$bank" /usr/share/$id/TiKu.mdb || fail "$bank is not the template"
[ ! -e /usr/bin/DATA ] || fail "the start made /usr/bin/DATA"

echo "--- upgraded over the user's bank"
as_user tiku-admin rename "$bank" --question-type 选择题 单项选择题
before=$(sha256sum <"$bank")
apt-get install -y -qq --no-install-recommends "$next" >/dev/null 2>&1 || fail "apt-get install $next failed"
[ "$(dpkg-query -W -f='${Version}' $pkg)" = "$version+1" ] || fail "$next was not installed"
[ "$(sha256sum <"$bank")" = "$before" ] || fail "the upgrade changed $bank"
as_user tiku --start-check >/dev/null || fail "the start after the upgrade failed"
[ "$(sha256sum <"$bank")" = "$before" ] || fail "the start after the upgrade changed $bank"
echo "$pkg $version+1: the user's bank is as the user left it"

echo "--- apt-get remove"
paths >/tmp/installed.txt
apt-get remove -y -qq $pkg >/dev/null 2>&1 || fail "apt-get remove failed"
if [ "$(dpkg-query -W -f='${db:Status-Status}' $pkg 2>/dev/null || true)" = installed ]; then
  fail "$pkg is still installed"
fi
paths >/tmp/removed.txt
left=()
for f in "${files[@]}"; do
  [ -e "$f" ] && left+=("$f")
done
[ ${#left[@]} -eq 0 ] || fail "left after apt-get remove: ${left[*]}"
added=$(comm -13 /tmp/installed.txt /tmp/removed.txt)
[ -z "$added" ] || fail "apt-get remove made: $added"
named=$(grep -E "$id|/tiku" /tmp/removed.txt || true)
[ -z "$named" ] || fail "left after apt-get remove: $named"
[ "$(sha256sum <"$bank")" = "$before" ] || fail "apt-get remove changed $bank"
echo "removed ${#files[@]} files; the user's bank $bank is kept"
