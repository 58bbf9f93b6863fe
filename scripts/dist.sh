#!/usr/bin/env bash
# Makes the release tarball dist/tiku-<version>.tar.gz: the committed sources
# (HEAD) and the bundled formula engine in prebuilt/formula-engine.js, so that
# the program and its package build from it without the network:
#
#   tar xf tiku-1.0.tar.gz && cd tiku-1.0
#   cmake --preset release && cmake --build --preset release --target package
#
# The formula engine is bundled here (npm ci fetches MathJax and esbuild, as
# pinned in package-lock.json) from the same sources as the tarball's, unless
# --engine names one bundled already from them (the default build's
# build/bin/formula-engine.js). Uncommitted changes are not in the tarball.
# usage: scripts/dist.sh [--engine FILE] [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
engine=
if [ "${1:-}" = --engine ]; then
  engine=$(realpath "$2")
  shift 2
fi

version=$(sed -n 's/^project(tiku VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "dist.sh: no version in CMakeLists.txt" >&2; exit 1; }
name=tiku-$version
out=$(mkdir -p "${1:-dist}" && cd "${1:-dist}" && pwd)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "dist.sh: uncommitted changes are left out of the tarball" >&2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git archive --format=tar --prefix="$name/" HEAD | tar -x -C "$work"

mkdir -p "$work/$name/prebuilt"
if [ -n "$engine" ]; then
  cp "$engine" "$work/$name/prebuilt/formula-engine.js"
else
  # Only what the formula engine needs is configured and built.
  cmake -S "$work/$name" -B "$work/build" -G Ninja -DTIKU_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/build" --target formula_engine_script >/dev/null
  cp "$work/build/bin/formula-engine.js" "$work/$name/prebuilt/formula-engine.js"
fi

# The same commit gives the same bytes: files in name order, owned by root,
# dated at the commit.
stamp=$(git log -1 --format=%ct HEAD)
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" -C "$work" -cf - "$name" \
  | gzip -9n >"$out/$name.tar.gz"
echo "$out/$name.tar.gz"
