#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package Orsenta needs and configures the build folder.
# Safe to run again: apt-get skips what is installed, cmake reuses the folder.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins
  qt6-multimedia-dev qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools
  qcoro-qt6-dev
  libsqlite3-dev shared-mime-info
  libglib2.0-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libseccomp-dev
  libxxhash-dev libssl-dev jdupes
  gstreamer1.0-plugins-good gstreamer1.0-plugins-base gstreamer1.0-libav
  ffmpeg ffmpegthumbnailer
  xvfb xauth
  libbenchmark-dev
  libicu-dev
  appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-RelWithDebInfo}
cd "$(dirname "$0")/.."
ci_args=()
if [ -n "${CI:-}" ]; then
  # CI builds treat warnings as errors and check the standard library's preconditions.
  ci_args=(-DORSENTA_WERROR=ON "-DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS")
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "${ci_args[@]}" > /dev/null
