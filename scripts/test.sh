#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
./scripts/setup.sh
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2
