#!/usr/bin/env bash
# Sets up, builds and runs the meter under Wine. With a display it runs on it
# until you close it; without one it runs under Xvfb for a few seconds and
# saves a screenshot whose path it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh win
prefix_script="$root/build/win/wine-prefix.sh"
run="$root/build/win/wine-run.sh"
trap '"$prefix_script" stop' EXIT

if [ -n "${DISPLAY:-}" ]; then
  "$prefix_script" setup
  "$run" "$root/build/win/zephra.exe"
  exit 0
fi

shot="$root/build/win/zephra-screenshot.png"
seconds="${ZEPHRA_RUN_SECONDS:-6}"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  "$1" setup
  "$2" "$3/build/win/zephra.exe" &
  pid=$!
  sleep "$4"
  xwd -root -silent | convert xwd:- "$5"
  "$1" stop
  wait $pid 2>/dev/null || true
' _ "$prefix_script" "$run" "$root" "$seconds" "$shot"
echo "Screenshot: $shot"
