#!/usr/bin/env bash
# Builds Quarvix and runs every test: a plain build with all suites, the suites
# again under AddressSanitizer+UndefinedBehaviorSanitizer, the concurrency
# suites under ThreadSanitizer, and a short fuzzing run. Exits non-zero on the
# first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/install-deps.sh
source scripts/install-deps.sh
quarvix_install_missing_packages

jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n== %s ==\n' "$*"; }

step "Layers: every include points down the stack"
scripts/check-layers.sh

step "Plain build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
step "All suites"
ctest --test-dir build --output-on-failure -j "$jobs"

step "AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARVIX_SANITIZE=address -DQUARVIX_BENCH=OFF
cmake --build build-asan -j "$jobs"
step "All suites under ASan+UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

step "ThreadSanitizer build (build-tsan/)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVIX_SANITIZE=thread \
  -DQUARVIX_BENCH=OFF -DQUARVIX_CONCURRENCY_TESTS_ONLY=ON
cmake --build build-tsan -j "$jobs"
step "Concurrency suites under TSan"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -L concurrency -j "$jobs" --no-tests=error

if [ -f fuzz/CMakeLists.txt ]; then
  step "Fuzzing (build-fuzz/)"
  scripts/fuzz.sh "${QUARVIX_FUZZ_SECONDS:-60}"
fi

step "All test runs passed"
