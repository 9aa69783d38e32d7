#!/usr/bin/env bash
# Configures and builds one tree: build.sh native | win
set -euo pipefail
cd "$(dirname "$0")/.."
tree="${1:?native or win}"
case "$tree" in
  native) cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null ;;
  win) cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake >/dev/null ;;
  *) echo "usage: $0 native|win" >&2; exit 2 ;;
esac
cmake --build "build/$tree"
