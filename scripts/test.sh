#!/usr/bin/env bash
# Installs what the project needs, then builds and runs every test twice (a
# normal build and an AddressSanitizer + UndefinedBehaviorSanitizer build), and
# runs each fuzz target briefly from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
bash .ci/install-deps

echo "== normal build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# Leak checks run once the tests' threads have settled, with Mesa's worker
# threads kept out (see tests/CMakeLists.txt). A test runs once: one that
# fails now and then is a fault to find, not a run to repeat.
(cd build-asan && ctest --output-on-failure -j"$jobs")

echo "== fuzz targets =="
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs"
for target in build-fuzz/tests/fuzz/*_fuzz; do
  name="$(basename "$target")"
  corpus="tests/fuzz/corpus/$name"
  work="$(mktemp -d)"
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  "$target" -max_total_time=10 -rss_limit_mb=2048 -print_final_stats=0 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done
echo "fuzz: all targets ran"
