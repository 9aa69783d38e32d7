#!/usr/bin/env bash
# Configures and builds one tree with its preset: build.sh native | win | fuzz
# ccache is used when it is installed (set ZEPHRA_CCACHE=0 to build without).
set -euo pipefail
cd "$(dirname "$0")/.."
tree="${1:?native, win or fuzz}"
case "$tree" in
  native|win|fuzz) ;;
  *) echo "usage: $0 native|win|fuzz" >&2; exit 2 ;;
esac
launcher=()
if [ "${ZEPHRA_CCACHE:-1}" != 0 ] && command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
mkdir -p build
log="build/$tree.configure.log"
cmake --preset "$tree" "${launcher[@]}" >"$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build --preset "$tree"
