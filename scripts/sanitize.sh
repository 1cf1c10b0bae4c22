#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VOKARI_SANITIZE_BUILD_DIR:-build-asan}

./scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOKARI_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
# libxkbcommon-x11 hands strndup names that are not NUL-terminated (a length is
# given), which the strndup interceptor reads one byte past; our code does not
# use strndup.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:intercept_strndup=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
