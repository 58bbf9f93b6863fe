#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, the Debian package made from the normal
# build, and the fuzzers (RTF reader, metafile player, equation reader, DOCX
# reader).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen

echo "=== format"
scripts/check-format.sh
echo "=== layers"
scripts/check-layers.sh

for preset in default sanitize; do
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== tests: $preset"
  ctest --preset "$preset" -j2
done

echo "=== the Debian package"
scripts/package-check.sh build

if [ -x fuzz/run.sh ]; then
  echo "=== fuzzing the RTF reader"
  # A fixed seed, a fixed number of inputs and an empty working corpus keep
  # the run about the same everywhere (not exactly: the corpus order and Qt's
  # hash seeds vary). Run fuzz/run.sh alone to explore with fresh seeds.
  rm -rf build-fuzz/corpus
  TIKU_FUZZ_SEED=${TIKU_FUZZ_SEED:-20261207} TIKU_FUZZ_RUNS=${TIKU_FUZZ_RUNS:-5000} fuzz/run.sh 600
  # The same for pictures (WMF, EMF) and equation objects: fewer inputs, as
  # each is quick to find trouble in and the run must stay short.
  rm -rf build-fuzz/corpus-metafile build-fuzz/corpus-equation
  for target in metafile_player_fuzz equation_reader_fuzz; do
    echo "=== fuzzing: $target"
    TIKU_FUZZ_TARGET=$target TIKU_FUZZ_SEED=${TIKU_FUZZ_SEED:-20261207} \
      TIKU_FUZZ_RUNS=${TIKU_METAFILE_FUZZ_RUNS:-4000} fuzz/run.sh 120
  done
  # Word documents: zip packages and their XML parts, split into questions.
  rm -rf build-fuzz/corpus-docx
  echo "=== fuzzing: docx_reader_fuzz"
  TIKU_FUZZ_TARGET=docx_reader_fuzz TIKU_FUZZ_SEED=${TIKU_FUZZ_SEED:-20261207} \
    TIKU_FUZZ_RUNS=${TIKU_DOCX_FUZZ_RUNS:-3000} fuzz/run.sh 120
fi
