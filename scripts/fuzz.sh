#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each one for a
# bounded time over its seed corpus (tests/fuzz/corpus/<target>). New inputs go to
# a scratch corpus under build/fuzz, never into the committed seeds. Fails when a
# target finds a crash; the input is left in build/fuzz/artifacts/.
#   FUZZ_SECONDS=30 bash scripts/fuzz.sh [target...]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tree="$root/build/fuzz"
seconds="${FUZZ_SECONDS:-30}"

mkdir -p "$root/build"
cmake --preset fuzz >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log"; exit 1; }

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in "$root"/tests/fuzz/*_fuzz.cpp; do
    [ -e "$src" ] && targets+=("$(basename "$src" .cpp)")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets"; exit 0; }

cmake --build "$tree" -j2 --target "${targets[@]}" || exit 1

mkdir -p "$tree/artifacts"
rc=0
for t in "${targets[@]}"; do
  seeds="$root/tests/fuzz/corpus/$t"
  scratch="$tree/corpus/$t"
  mkdir -p "$seeds" "$scratch"
  echo "== $t: ${seconds}s"
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$tree/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$tree/artifacts/$t-" "$scratch" "$seeds" >"$tree/$t.log" 2>&1
  status=$?
  tail -n 12 "$tree/$t.log"
  if [ $status -ne 0 ]; then
    echo "FUZZ FAILURE in $t (exit $status); see $tree/$t.log and $tree/artifacts/"
    rc=1
  fi
done
exit $rc
