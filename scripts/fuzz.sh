#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-fuzz/) and runs each on a scratch copy of its
# seed corpus, sharing SECONDS (default 60) among the targets. Exits non-zero on
# any crash, leak, sanitizer report or timeout.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (TARGET: a folder name of fuzz/corpus/)
set -euo pipefail
cd "$(dirname "$0")/.."

total_seconds=${1:-60}
shift || true
build=build-fuzz

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for dir in fuzz/corpus/*/; do
    targets+=("$(basename "$dir")")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets (fuzz/corpus/<target>/)" >&2
  exit 1
fi

# Every library the targets link is instrumented for coverage and checked by the
# sanitizers; the targets themselves add -fsanitize=fuzzer (fuzz/CMakeLists.txt).
# clang 14 lacks std::source_location with libstdc++; the compat header fills in.
compat="$PWD/fuzz/compat/SourceLocationCompat.h"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -include $compat" \
  -DQUARVIX_SANITIZE=address -DQUARVIX_FUZZ=ON -DQUARVIX_TESTS=OFF -DQUARVIX_BENCH=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/%/_fuzzer}"

seconds_each=$(( total_seconds / ${#targets[@]} ))
if [ "$seconds_each" -lt 1 ]; then
  seconds_each=1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/${target}_fuzzer"
  scratch="$build/fuzz-run/$target"
  artifacts="$build/fuzz-artifacts/$target"
  # A scratch copy: the fuzzer adds what it finds to the corpus it runs on, and
  # the seeds in the repository stay as they are.
  rm -rf "$scratch"
  mkdir -p "$scratch" "$artifacts"
  cp -R "fuzz/corpus/$target/." "$scratch/"
  dict=()
  if [ -f "fuzz/$target.dict" ]; then
    dict=(-dict="fuzz/$target.dict")
  fi
  echo "== fuzzing $target for ${seconds_each} s =="
  # -timeout: one input running this long counts as a hang; the outer timeout
  # guards against the fuzzer itself not stopping.
  if ! timeout --kill-after=30 $(( seconds_each + 120 )) \
      "$binary" -max_total_time="$seconds_each" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" "$scratch"; then
    echo "fuzz.sh: $target failed (artifacts in $artifacts/)" >&2
    status=1
  fi
done
exit $status
