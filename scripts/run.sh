#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts Orsenta.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
./scripts/setup.sh
cmake --build "$build_dir" -j2
exec "$build_dir/app/orsenta" "$@"
