#!/usr/bin/env bash
# Regenerates the pictures in docs/images/ from the screenshot tests of the
# shell tests (the disabled tests whose names end in "Screenshot" or
# "Screenshots"), as Wine draws them under Xvfb: each test writes BMP files,
# which become PNG files of the same name.
#   scripts/screenshots.sh [gtest-filter]    (default: every screenshot test)
# ZEPHRA_SHELL_TESTS may name another shell_tests.exe built against build/win.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/win"
filter="${1:-*Screenshot*.DISABLED_*}"
exe="${ZEPHRA_SHELL_TESTS:-}"
if [ -z "$exe" ]; then
  bash scripts/build.sh win
  exe="$build/tests/shell_tests.exe"
fi
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }

out="$root/docs/images"
work=$(mktemp -d "${TMPDIR:-/tmp}/zephra-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Wine maps the Unix root to drive Z:.
export ZEPHRA_SCREENSHOT_DIR="Z:${work//\//\\}"
# The pictures at 200 % (names ending in "200") come from the prefix at LogPixels 192.
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  "$1/wine-prefix.sh" setup
  "$1/wine-run.sh" "$2" --gtest_also_run_disabled_tests --gtest_filter="$3:-*200" --gtest_brief=1
  rc=$?
  "$1/wine-prefix.sh" stop
  export ZEPHRA_WINEPREFIX="$1/dpi192-prefix" ZEPHRA_TEST_DPI=192
  if [[ "$3" == *200* || "$3" == "*Screenshot*.DISABLED_*" ]]; then
    f="$3"
    [[ "$f" == *200 ]] || f="${f%%:*}200"
    "$1/wine-prefix.sh" setup 192
    "$1/wine-run.sh" "$2" --gtest_also_run_disabled_tests --gtest_filter="$f" --gtest_brief=1 || rc=1
    "$1/wine-prefix.sh" stop
  fi
  exit $rc
' _ "$build" "$exe" "$filter"

shopt -s nullglob
shots=("$work"/*.bmp)
[ ${#shots[@]} -gt 0 ] || { echo "no screenshots were written" >&2; exit 1; }
for bmp in "${shots[@]}"; do
  png="$out/$(basename "${bmp%.bmp}").png"
  convert "$bmp" -strip "$png"
  echo "$png"
done
