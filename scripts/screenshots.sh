#!/usr/bin/env bash
# Regenerates the screenshots in docs/images/: the meter window with two stacked
# connections, in column and line style, with and without caption, as Wine draws
# them under Xvfb.
#   scripts/screenshots.sh [build-dir]     (default build/win, built first)
# ZEPHRA_SHELL_TESTS may name another shell test program to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="${1:-build/win}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
exe="${ZEPHRA_SHELL_TESTS:-}"
if [ -z "$exe" ]; then
  if [ "$build" = "$root/build/win" ]; then bash scripts/build.sh win; else cmake --build "$build" --target shell_tests; fi
  exe="$build/tests/shell_tests.exe"
fi
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }

out="$root/docs/images"
work=$(mktemp -d "${TMPDIR:-/tmp}/zephra-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Wine maps the Unix root to drive Z:.
export ZEPHRA_SCREENSHOT_DIR="Z:${work//\//\\}"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  "$1/wine-prefix.sh" setup
  "$1/wine-run.sh" "$2" --gtest_also_run_disabled_tests --gtest_filter=MeterScreenshots.DISABLED_TwoConnections --gtest_brief=1
  rc=$?
  "$1/wine-prefix.sh" stop
  exit $rc
' _ "$build" "$exe"

shopt -s nullglob
shots=("$work"/*.bmp)
[ ${#shots[@]} -gt 0 ] || { echo "no screenshots were written" >&2; exit 1; }
for bmp in "${shots[@]}"; do
  png="$out/$(basename "${bmp%.bmp}").png"
  convert "$bmp" -strip "$png"
  echo "$png"
done
