#!/usr/bin/env bash
# Sets up, builds and runs every test: the native core tests (ASan/UBSan), the
# fuzz targets for a bounded time, then the core, shell and end-to-end tests
# under Wine + Xvfb. The Wine prefix's server is shut down at the end, also
# after a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
start=$(date +%s)

bash scripts/build.sh native || exit 1
ctest --test-dir build/native --output-on-failure -j2
native_rc=$?

fuzz_rc=0
if [ -f scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh
  fuzz_rc=$?
fi

bash scripts/build.sh win || exit 1
cleanup() { [ -x "$root/build/win/wine-prefix.sh" ] && "$root/build/win/wine-prefix.sh" stop; }
trap cleanup EXIT
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest --test-dir build/win --output-on-failure -j2
win_rc=$?

echo "Test run took $(( $(date +%s) - start )) seconds."
echo "native: $native_rc, fuzz: $fuzz_rc, win: $win_rc"
[ $native_rc -eq 0 ] && [ $fuzz_rc -eq 0 ] && [ $win_rc -eq 0 ]
