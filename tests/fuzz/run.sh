#!/usr/bin/env bash
# make fuzz: builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UBSan in
# build/fuzz (a configure of its own, tests off) and runs each one for a bounded time.
#
#   FUZZ_SECONDS   seconds per target (default 60)
#   FUZZ_TARGETS   space-separated target names to run (default: all, e.g. "http_response base64")
#   FUZZ_TIMEOUT   seconds one input may take before it counts as a hang (default 10)
#   FUZZ_RSS_MB    memory ceiling of a target process in MiB (default 2048)
#   FUZZ_MALLOC_MB a single allocation above this many MiB is a fault (default 256): no input is
#                  large enough to need that much, so it means a size taken on trust
#
# Seeds come from tests/fuzz/corpus/<target>/ and are never written to; inputs the fuzzer finds
# go to build/fuzz/work/<target>/, and a crash, leak, hang, out-of-memory or sanitizer report
# leaves its input in build/fuzz/artifacts/<target>/ and makes the run fail. To replay one:
#   build/fuzz/tests/fuzz/fuzz_<target> build/fuzz/artifacts/<target>/<file>
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

seconds=${FUZZ_SECONDS:-60}
per_input=${FUZZ_TIMEOUT:-10}
rss_mb=${FUZZ_RSS_MB:-2048}
malloc_mb=${FUZZ_MALLOC_MB:-256}
build=build/fuzz
mkdir -p build

bash scripts/deps.sh || { echo "fuzz: dependencies missing"; exit 1; }

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
flags+=" -fno-omit-frame-pointer -g -O1"
echo "== configure and build $build (clang, libFuzzer, ASan, UBSan)"
if ! cmake -S . -B "$build" -G "Unix Makefiles" \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE= -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
      -DQVX_BUILD_TESTS=OFF -DQVX_FUZZ=ON >"$build.configure.log" 2>&1; then
  tail -30 "$build.configure.log"
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
if ! cmake --build "$build" --target qvx_fuzzers -j 2 >"$build.build.log" 2>&1; then
  grep -E 'error|Error' "$build.build.log" | head -30
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi

bindir=$build/tests/fuzz
all=$(cd "$bindir" && ls fuzz_* 2>/dev/null | sed 's/^fuzz_//' | sort)
targets=${FUZZ_TARGETS:-$all}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:handle_abort=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

passed=0 failed=0 failures=()
for t in $targets; do
  exe=$bindir/fuzz_$t
  seeds=tests/fuzz/corpus/$t
  if [[ ! -x $exe || ! -d $seeds ]]; then
    echo "== $t: no such target or no seed folder $seeds"
    failed=$((failed + 1)) failures+=("$t")
    continue
  fi
  work=$build/work/$t art=$build/artifacts/$t log=$build/logs/$t.log
  mkdir -p "$work" "$art" "$(dirname "$log")"
  before=$(ls "$art" | wc -l)
  echo "== $t: ${seconds}s"
  # The outer timeout is a safety net only: -max_total_time ends the run.
  timeout --kill-after=30 $((seconds + per_input + 120)) \
    "$exe" -max_total_time="$seconds" -timeout="$per_input" -rss_limit_mb="$rss_mb" \
      -malloc_limit_mb="$malloc_mb" -detect_leaks=1 -print_final_stats=1 \
      -artifact_prefix="$art/" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  after=$(ls "$art" | wc -l)
  stats=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1)
  if [[ $rc -eq 0 && $after -eq $before ]]; then
    echo "   ok: ${stats:-?} runs, ${cov:-cov: ?}, corpus $(ls "$work" | wc -l) files"
    passed=$((passed + 1))
  else
    echo "   FAILED (exit $rc); log $log"
    grep -E 'ERROR: |SUMMARY: |runtime error|fuzz check failed|Test unit written|out-of-memory|timeout' "$log" | head -12 | sed 's/^/   /'
    failed=$((failed + 1)) failures+=("$t")
  fi
done

[[ $failed -gt 0 ]] && echo "fuzz: failing targets: ${failures[*]}"
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
