#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test: the normal
# build with a short run of each benchmark, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# -noreset: Xvfb would otherwise restart after its last client and refuse
# connections for a moment.
xvfb=(xvfb-run -a -s "-screen 0 1024x768x24 -noreset")
status=0

run_suite() { # build-dir, label
  echo "== $2"
  (cd "$1" && "${xvfb[@]}" ctest --output-on-failure -j "$jobs" --timeout 300 \
     | tee ctest.log | grep -E "tests passed|tests failed|^\s+[0-9]+ - |Errors while|\*\*\*" ) || status=1
  grep -E "tests passed|tests failed" "$1/ctest.log" || true
}

cmake -S . -B build -G Ninja -DQB_WERROR=ON
ninja -C build -j "$jobs"
run_suite build "normal build"

# Each benchmark once for a moment, in shuffled repetitions, so that none
# stops working unseen; a run skipped with an error fails too. They run in
# their own folder: the play task saves game.sav where it runs.
echo "== benchmarks"
bench_start=$SECONDS
for bench in build/bench/bench_*; do
  [ -x "$bench" ] || continue
  name=$(basename "$bench")
  if (cd build/bench && SDL_AUDIODRIVER=dummy "${xvfb[@]}" "./$name" --benchmark_min_time=0.01 \
        --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true >"$name.log" 2>&1) &&
     ! grep -q "ERROR OCCURRED" "$bench.log"; then
    echo "$name: ok"
  else
    echo "$name: FAILED"; tail -20 "$bench.log"; status=1
  fi
done
echo "benchmarks took $((SECONDS - bench_start)) s"

cmake -S . -B build-asan -G Ninja -DQB_WERROR=ON -DQB_SANITIZE=ON -DQB_BENCH=OFF
ninja -C build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_suite build-asan "sanitizer build"

echo "== thread sanitizer: sound player stress test and a whole chase level"
cmake -S . -B build-tsan -G Ninja -DQB_WERROR=ON -DQB_TSAN=ON -DQB_BENCH=OFF
ninja -C build-tsan -j "$jobs" test_media_tsan test_world_tsan
(cd build-tsan/tests/media && ctest -R PlayerStress --output-on-failure --timeout 300 | tail -3) || status=1
(cd build-tsan/tests/world && ctest -R ChaseLevel --output-on-failure --timeout 600 | tail -3) || status=1

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQB_FUZZ=ON -DQB_TESTS=OFF -DQB_BENCH=OFF
ninja -C build-fuzz -j "$jobs"
echo "== fuzz targets"
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  corpus="build-fuzz/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  if "$target" -max_total_time="${QB_FUZZ_SECONDS:-15}" -rss_limit_mb=2048 "$corpus" >"$corpus.log" 2>&1; then
    echo "$(basename "$target"): ok ($(grep -o 'Done [0-9]* runs' "$corpus.log" || true))"
  else
    echo "$(basename "$target"): FAILED"; tail -40 "$corpus.log"; status=1
  fi
done

exit $status
