#!/usr/bin/env bash
# Sets up and builds the win tree, which makes the help file and both packages:
#   build/win/Zephra.chm
#   build/win/dist/Zephra-<version>-setup.exe      (NSIS; /S installs silently)
#   build/win/dist/Zephra-<version>-portable.zip
# The version is the project version in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win
ls -l build/win/Zephra.chm build/win/dist/Zephra-*-setup.exe build/win/dist/Zephra-*-portable.zip
