#!/usr/bin/env bash
# A longer fuzz run than CI's smoke run, for a developer's machine (not run in CI).
#
#   bash tools/fuzz-long.sh [minutes] [target ...]
#
# Runs each fuzz target (every one when none is named; names as in fuzz/, e.g. picture_tga) for
# the given minutes (default 5), starting from its seeds in fuzz/corpus/<target>/. New inputs
# are kept in a scratch copy, so the seed folders stay as committed. Findings land in
# build-fuzz/findings/<target>/; the script ends with status 1 when any target found one.
# Builds build-fuzz with clang first when it is not there.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-5}
[ $# -gt 0 ] && shift
case "$minutes" in
  '' | *[!0-9]*) echo "minutes must be a whole number: $minutes" >&2; exit 2 ;;
esac
jobs=${JOBS:-3}

if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGX_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build build-fuzz -j "$jobs"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

failed=0
for name in "${targets[@]}"; do
  bin="build-fuzz/fuzz_$name"
  if [ ! -x "$bin" ]; then
    echo "no such fuzz target: $name" >&2
    failed=1
    continue
  fi
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name"/. "$work"/
  findings="build-fuzz/findings/$name"
  mkdir -p "$findings"
  echo "fuzz: $name for $minutes min"
  if ! ASAN_OPTIONS=detect_leaks=1 "$bin" -max_total_time=$((minutes * 60)) -max_len=4096 -timeout=10 \
      -artifact_prefix="$findings/" "$work" >"$work.log" 2>&1; then
    tail -40 "$work.log"
    echo "fuzz: $name found a failure; inputs in $findings/"
    failed=1
  else
    grep -E "^Done|stat::number_of_executed_units" "$work.log" | tail -1 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $failed
