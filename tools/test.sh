#!/usr/bin/env bash
# Installs what is missing, builds the engine and runs every test: the normal build, the same
# suites under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=${GX_JOBS:-$(nproc)}  # GX_JOBS caps the parallelism on a shared machine
export LP_NUM_THREADS=2

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGX_SANITIZE=ON -DGX_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 600

# The sound threads (mixer, refill threads) once more under ThreadSanitizer.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGX_TSAN=ON -DGX_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build-tsan -j "$jobs" --target test_media test_platform
ctest --test-dir build-tsan -j "$jobs" --output-on-failure --timeout 600 -L '^(media|platform)$'

if ls fuzz/*.cpp >/dev/null 2>&1 && command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGX_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build-fuzz -j "$jobs"
  # A short smoke run of each target from its seed folder (if any): catches crashes on the
  # readers' main paths without turning CI into a fuzzing campaign. Targets run side by side,
  # each in a scratch folder of its own (some write files into their working folder; some change
  # it, so the corpus is named by its full path).
  fuzz_one() {
    local f=$1 name seeds work
    name=$(basename "$f")
    seeds="$PWD/fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    mkdir "$work/corpus"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work/corpus"/
    if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$f" -runs=20000 -max_len=4096 -timeout=10 "$work/corpus" \
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
  find "$PWD/build-fuzz" -maxdepth 1 -name 'fuzz_*' -type f -executable | sort |
    xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
fi
