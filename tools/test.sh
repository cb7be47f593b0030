#!/usr/bin/env bash
# Installs what is missing, builds the engine and runs every test: the normal build, the same
# suites under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=${GX_JOBS:-$(nproc)}  # GX_JOBS caps the parallelism on a shared machine
export LP_NUM_THREADS=2

# Prints how long each step took (wall, and the CPU of its processes), so a slow CI run shows
# which step grew.
step() {
  local name=$1 t0=$SECONDS c0 c1
  shift
  c0=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
  "$@"
  c1=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
  echo "step: $name $((SECONDS - t0)) s wall, $(((c1 - c0) / $(getconf CLK_TCK))) s CPU" >&2
}

# These builds are thrown away after their tests: line tables alone (no variable locations)
# still give failures and sanitizer reports their file:line and compile in about half the time;
# the test programs' files compile in batches (GX_UNITY); a faster linker than the default one,
# where there is one, saves most of the link time.
fast=(-DGX_UNITY=ON)
fuzz_ld=()
if command -v ld.lld >/dev/null; then
  fast+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
  fuzz_ld=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
elif command -v ld.gold >/dev/null; then
  # Not for the fuzz build: gold warns a hundred times per target about clang's sanitizer runtime.
  fast+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold)
fi
ci_opts=(-G Ninja -DGX_BENCH=OFF "${fast[@]}")
san_flags="-O1 -g1"
rel_flags="-O2 -g1 -DNDEBUG"  # RelWithDebInfo's optimisation, line tables only

# The folder order first: an include that runs up names itself in a second.
step layers python3 tools/check-layers.py
step configure cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${fast[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$rel_flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$rel_flags" >/dev/null
step build cmake --build build -j "$jobs"
# What no include shows: a lower library that uses a higher one's function (the symbols of the
# built folder libraries).
step symbols python3 tools/check-layers.py --symbols build
step test ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300
# The tests of a real window skip themselves without a display: once more under Xvfb.
step test-window xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure --timeout 300 \
  -R 'WindowReceivesOnlyChangedOrSpoiltFrames|AnExposedOrResizedWindowGetsItsFrameDrawn'

step configure-asan cmake -S . -B build-asan "${ci_opts[@]}" -DCMAKE_BUILD_TYPE=Debug \
  -DGX_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="$san_flags" -DCMAKE_C_FLAGS_DEBUG="$san_flags" >/dev/null
step build-asan cmake --build build-asan -j "$jobs"
step test-asan ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 600

# The sound threads (mixer, refill threads) once more under ThreadSanitizer.
step configure-tsan cmake -S . -B build-tsan "${ci_opts[@]}" -DCMAKE_BUILD_TYPE=Debug \
  -DGX_TSAN=ON -DCMAKE_CXX_FLAGS_DEBUG="$san_flags" -DCMAKE_C_FLAGS_DEBUG="$san_flags" >/dev/null
step build-tsan cmake --build build-tsan -j "$jobs" --target test_media test_platform
step test-tsan ctest --test-dir build-tsan -j "$jobs" --output-on-failure --timeout 600 \
  -L '^(media|platform)$'

if ls fuzz/*.cpp >/dev/null 2>&1 && command -v clang++ >/dev/null; then
  fuzz_flags="-O2 -gline-tables-only -DNDEBUG"
  step configure-fuzz cmake -S . -B build-fuzz -G Ninja "${fuzz_ld[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGX_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$fuzz_flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$fuzz_flags" >/dev/null
  step build-fuzz cmake --build build-fuzz -j "$jobs"
  # A short smoke run of each target from its seed folder (if any): catches crashes on the
  # readers' main paths without turning CI into a fuzzing campaign (a slow target, such as the
  # movie player's, stops after a minute instead). Targets run side by side,
  # each in a scratch folder of its own (some write files into their working folder; some change
  # it, so the corpus is named by its full path).
  fuzz_one() {
    local f=$1 name seeds work
    name=$(basename "$f")
    seeds="$PWD/fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    mkdir "$work/corpus"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work/corpus"/
    if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$f" -runs=20000 -max_total_time=60 -max_len=4096 -timeout=10 "$work/corpus" \
        >"$work/log" 2>&1); then
      echo "fuzz: $name ok"
      rm -rf "$work"
    else
      echo "fuzz: $name FAILED"
      tail -40 "$work/log"
      return 1
    fi
  }
  export -f fuzz_one
  fuzz_all() {
    find "$PWD/build-fuzz" -maxdepth 1 -name 'fuzz_*' -type f -executable | sort |
      xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
  }
  step fuzz-smoke fuzz_all
fi
