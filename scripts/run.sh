#!/usr/bin/env bash
# Installs what the program needs, builds it, and starts it from its start
# directory (build/vesk, the executable beside its data folders).
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build/vesk
exec ./vesk "$@"
