#!/usr/bin/env bash
# Fails when a file of src/ or tools/ includes a header of a folder listed
# below its own folder in the README's layout table (the table after "A folder
# only includes headers of the folders listed above it"). Folders named in
# one row are one layer and may include each other.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder<TAB>layer, from the table's rows in order.
layers=$(awk '
  /^A folder only includes headers/ { inside = 1; next }
  inside && /^\|/ {
    cell = $0; sub(/^\|/, "", cell); sub(/\|.*/, "", cell)
    if (cell !~ /`/) next           # the header and separator rows
    ++row
    while (match(cell, /`[^`]+`/)) {
      print substr(cell, RSTART + 1, RLENGTH - 2) "\t" row
      cell = substr(cell, RSTART + RLENGTH)
    }
    next
  }
  inside && row && !/^\|/ { exit }
' README.md)
if [ -z "$layers" ]; then
  echo "check-layers: the README has no layout table" >&2
  exit 1
fi

# Every include of a project folder's header, as file:line:text, after the
# folder's own layer.
hits=$(while IFS=$'\t' read -r folder layer; do
  case "$folder" in src/* | tools) ;; *) continue ;; esac
  [ -d "$folder" ] || continue
  git ls-files -- "$folder/*.cpp" "$folder/*.h" |
    xargs -r grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z0-9_]+/' |
    sed "s|^|$folder\t$layer\t|" || true
done <<<"$layers")

awk -F'\t' '
  NR == FNR { layer[$1] = $2; next }
  {
    folder = $1; own = $2; hit = $3
    target = hit; sub(/^[^"]*"/, "", target); sub(/\/.*/, "", target); target = "src/" target
    if (!(target in layer)) next
    ++checked
    if (layer[target] > own) {
      split(hit, at, ":")
      printf "%s:%s includes a header of %s, which the README lists below %s\n", at[1], at[2], target, folder > "/dev/stderr"
      ++bad
    }
  }
  END {
    if (bad) {
      printf "check-layers: %d includes run upwards (the README'"'"'s layout table gives the order)\n", bad > "/dev/stderr"
      exit 1
    }
    printf "layers: %d includes across folders follow the README'"'"'s order\n", checked
  }
' <(printf '%s\n' "$layers") <(printf '%s\n' "$hits")
