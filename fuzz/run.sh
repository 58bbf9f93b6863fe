#!/usr/bin/env bash
# Builds a fuzzer (clang-14, libFuzzer, ASan, UBSan) in build-fuzz/ and runs
# it for SECONDS (default 60), seeded with the test files of its format.
# Exits non-zero when it finds a crash, a hang, a memory blow-up or (for the
# RTF reader) a broken round trip; the input is then in build-fuzz/artifacts/.
#
#   fuzz/run.sh [SECONDS]
#
# TIKU_FUZZ_TARGET picks the fuzzer: rtf_reader_fuzz (the default),
# metafile_player_fuzz (WMF and EMF files) or equation_reader_fuzz (equation
# objects: OLE, compound files, MTEF) or docx_reader_fuzz (Word documents:
# zip packages and their XML parts).
#
# TIKU_FUZZ_SEED fixes libFuzzer's random seed (0, the default, picks one), so
# that a test run can be repeated exactly.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TIKU_FUZZ_BUILD_DIR:-$root/build-fuzz}

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
target=${TIKU_FUZZ_TARGET:-rtf_reader_fuzz}
case "$target" in
  rtf_reader_fuzz)
    corpus="$build/corpus"
    seeds=("$root/tests/data/rtf-corpus" "$root/tests/data/rtf" "$root/tests/data/rtf/fuzz") ;;
  metafile_player_fuzz)
    corpus="$build/corpus-metafile"
    seeds=("$root/tests/data/metafile/seeds/pictures") ;;
  equation_reader_fuzz)
    corpus="$build/corpus-equation"
    seeds=("$root/tests/data/metafile/seeds/equations") ;;
  docx_reader_fuzz)
    corpus="$build/corpus-docx"
    seeds=("$root/tests/data/docx/seeds") ;;
  *) echo "fuzz/run.sh: unknown target $target" >&2; exit 2 ;;
esac
cmake --build "$build" --target "$target"

# New inputs go to the working corpus; the seeds are only read.
mkdir -p "$corpus" "$build/artifacts"
export QT_QPA_PLATFORM=offscreen
# A smaller quarantine keeps long runs well under the RSS limit; broken
# pictures are expected, so Qt's image decoder warnings are not shown.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1:quarantine_size_mb=64}
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-qt.gui.imageio*=false}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# TIKU_FUZZ_RUNS bounds the run by inputs instead, however fast the machine
# is (SECONDS then only caps the time). With a fixed seed and a fresh working
# corpus the inputs are mostly the same, not exactly: the corpus order and
# Qt's hash seeds vary between processes.
runs=()
[ -n "${TIKU_FUZZ_RUNS:-}" ] && runs=(-runs="$TIKU_FUZZ_RUNS")
"$build/$target" "${runs[@]}" \
    -max_total_time="$seconds" -seed="${TIKU_FUZZ_SEED:-0}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" \
    "$corpus" "${seeds[@]}"
