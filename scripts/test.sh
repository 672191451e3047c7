#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the whole test suite through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
./scripts/setup.sh
cmake --build "$build_dir" -j2
# CI runs every test three times: a test that passes only sometimes is a failing test.
repeat=()
[ -z "${CI:-}" ] || repeat=(--repeat until-fail:3)
ctest --test-dir "$build_dir" --output-on-failure -j2 "${repeat[@]}"
