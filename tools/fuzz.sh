#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# SECONDS seconds (default 20) on a copy of its corpus from tests/fuzz/corpus.
# New inputs libFuzzer finds go to build-fuzz/corpus/<target>; the repository's
# corpus is only read.  A crash leaves crash-* files in build-fuzz/ and makes
# the script fail.  Usage: tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
jobs=$(nproc)
# libFuzzer comes with clang's runtime libraries (Debian: libclang-rt-*-dev).
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2> /dev/null; then
  rm -rf "$probe"
  echo "libFuzzer is not available: running the replay drivers on random inputs instead" >&2
  cmake -S . -B build > /dev/null && cmake --build build -j2 > /dev/null
  for replay in build/tests/fuzz/replay_*; do
    [ -x "$replay" ] || continue
    t=${replay##*/replay_}
    "$replay" "tests/fuzz/corpus/$t" --random $((seconds * 100))
  done
  exit 0
fi
rm -rf "$probe"
if [ "$jobs" -gt 2 ]; then jobs=2; fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAVLIN_FUZZ=ON -DRAVLIN_TESTS=OFF -DRAVLIN_WITH_SDL=OFF > /dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
cd build-fuzz
rm -f crash-* leak-* timeout-* oom-*
for t in "${targets[@]}"; do
  mkdir -p "corpus/$t"
  echo "== fuzz_$t for ${seconds}s"
  # Snapshots are 65,608 bytes; the others stay small.
  maxlen=4096
  if [ "$t" = snapshot_file ]; then maxlen=70000; fi
  status=0
  ASAN_OPTIONS=detect_leaks=1 "./tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="$maxlen" -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$PWD/" "$PWD/corpus/$t" "$PWD/../tests/fuzz/corpus/$t" > "fuzz_$t.log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|Done )" "fuzz_$t.log" || true
  if [ "$status" -ne 0 ]; then
    grep -E "ERROR|SUMMARY|^    #[0-9]" "fuzz_$t.log" | head -20 >&2
    echo "fuzz_$t found a fault (exit $status): $(ls crash-* leak-* timeout-* oom-* 2>/dev/null)" >&2
    exit 1
  fi
done
