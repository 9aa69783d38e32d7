#!/usr/bin/env bash
# Pictures of the installer's pages for docs/images/ (installer-welcome.png,
# installer-license.png, installer-mode.png, installer-components.png,
# installer-folder.png, installer-finish.png), as Wine draws them under Xvfb:
# the win tree's package_probe walks build/win/dist's setup program with Next
# in the packaging tests' own Wine prefix, which it leaves with Zephra installed
# (those tests clean it up first) and shut down.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/win"
bash scripts/build.sh win
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
setup=$(ls "$build"/dist/Zephra-*-setup.exe | head -n1)

out="$root/docs/images"
work=$(mktemp -d "${TMPDIR:-/tmp}/zephra-setup-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ZEPHRA_WINEPREFIX="$build/package-prefix"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  "$1/wine-prefix.sh" setup || exit 1
  "$1/wine-run.sh" "$1/tests/package_probe.exe" clean
  "$1/wine-run.sh" "$1/tests/package_probe.exe" shots "$2" "Z:${3//\//\\}"
  rc=$?
  # No Run value left behind: Wine would start the installed Zephra with the prefix.
  "$1/wine-run.sh" "$1/tests/package_probe.exe" clean
  "$1/wine-prefix.sh" stop
  exit $rc
' _ "$build" "$setup" "$work"

for bmp in "$work"/*.bmp; do
  png="$out/$(basename "${bmp%.bmp}").png"
  convert "$bmp" -strip "$png"
  echo "$png"
done
