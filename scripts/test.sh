#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, and the RTF reader's fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen

echo "=== format"
scripts/check-format.sh

for preset in default sanitize; do
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== tests: $preset"
  ctest --preset "$preset" -j2
done

if [ -x fuzz/run.sh ]; then
  echo "=== fuzzing the RTF reader"
  # A fixed seed, a fixed number of inputs and an empty working corpus keep
  # the run about the same everywhere (not exactly: the corpus order and Qt's
  # hash seeds vary). Run fuzz/run.sh alone to explore with fresh seeds.
  rm -rf build-fuzz/corpus
  TIKU_FUZZ_SEED=${TIKU_FUZZ_SEED:-20261207} TIKU_FUZZ_RUNS=${TIKU_FUZZ_RUNS:-5000} fuzz/run.sh 600
fi
