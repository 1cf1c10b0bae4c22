#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and
# runs each for the given number of seconds (default 60) from its seed corpus.
# A crash leaves its input in build-fuzz/findings/ and fails the script; keep
# such an input as a seed in tests/fuzz/corpus/<target>/ once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${VOKARI_FUZZ_BUILD_DIR:-build-fuzz}

./scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOKARI_FUZZ=ON -DVOKARI_SANITIZE=ON -DVOKARI_BUILD_APP=OFF >/dev/null
targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$build" --parallel "$(nproc)" --target $targets

mkdir -p "$build/findings"
status=0
for target in $targets; do
  seeds=tests/fuzz/corpus/$target
  work=$build/corpus/$target
  mkdir -p "$seeds" "$work"
  echo "== $target for ${seconds}s"
  if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/findings/$target-" -print_final_stats=1 "$work" "$seeds" 2>"$build/$target.log"; then
    echo "!! $target found a problem; see $build/$target.log and $build/findings/"
    tail -40 "$build/$target.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|cov:' "$build/$target.log" | tail -2
  fi
done
exit $status
