#!/usr/bin/env bash
# Takes the documentation pictures of the popup menu and the tray icon's
# miniature graphs under Wine + Xvfb and stores them as PNG files:
#   docs/images/popup_menu.png   the open popup with the View sub-menu
#   docs/images/tray_graph.png   bar and line graph, 16 x 16 enlarged 8 times
# Usage: scripts/tray_menu_screenshots.sh [build-dir]   (default build/win)
# SHELL_TESTS may name another shell_tests.exe built against the same tree.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win}
case "$build" in /*) ;; *) build=$root/$build ;; esac
if [ ! -x "$build/wine-run.sh" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
fi
exe=${SHELL_TESTS:-}
if [ -z "$exe" ]; then
  cmake --build "$build" -j2 --target shell_tests
  exe=$build/tests/shell_tests.exe
fi
shots=$build/screenshots
rm -rf "$shots"
mkdir -p "$shots" "$root/docs/images"
# The tests write BMP files through the Wine drive that maps the root folder.
export ZEPHRA_SHOT_DIR="Z:$(echo "$shots" | tr / '\\')"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$0/wine-prefix.sh" setup
  "$0/wine-run.sh" "$1" --gtest_also_run_disabled_tests --gtest_filter="TrayScreenshot.*"
  rc=$?
  "$0/wine-prefix.sh" stop
  exit $rc' "$build" "$exe"
convert "$shots/popup_menu.bmp" "$root/docs/images/popup_menu.png"
convert "$shots/tray_graph.bmp" "$root/docs/images/tray_graph.png"
echo "wrote docs/images/popup_menu.png and docs/images/tray_graph.png (about window: $shots/about.bmp)"
