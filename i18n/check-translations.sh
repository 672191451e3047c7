#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when orsenta_en.ts is not what lupdate makes of the sources, or when a numerus text
# has no English plural forms: run the update_english_translations target and commit the file.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate6 || command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
cp i18n/orsenta_en.ts "$scratch/"
git ls-files app ui viewmodel model library | grep -E '\.(cpp|h)$' > "$scratch/sources"
"$lupdate" -silent -no-obsolete -locations none "@$scratch/sources" -ts "$scratch/orsenta_en.ts"
if ! diff -u i18n/orsenta_en.ts "$scratch/orsenta_en.ts"; then
    echo "i18n/orsenta_en.ts is stale" >&2
    exit 1
fi
if grep -n '<numerusform></numerusform>' i18n/orsenta_en.ts; then
    echo "i18n/orsenta_en.ts lacks English plural forms" >&2
    exit 1
fi
