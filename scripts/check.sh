#!/usr/bin/env bash
# make check: dependencies, the three builds, the native tests (ctest), the win64 tests under Wine,
# the i686 tests (the product's own build) under 32-bit Wine.
# Each stage ends with "STAGE: N passed, N failed"; the exit status is non-zero when anything failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh || { echo "check: dependencies missing"; exit 1; }

for preset in native win64 win32; do
  echo "== build $preset"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" >"build/$preset.build.log" 2>&1; }; then
    tail -40 "build/$preset.build.log" 2>/dev/null
    echo "build: 0 passed, 1 failed"
    exit 1
  fi
done
echo "build: 3 passed, 0 failed"

status=0
echo "== native tests (ctest)"
ctest --test-dir build/native -j "$jobs" --output-on-failure --timeout 300 >build/native-ctest.log 2>&1
rc=$?
grep -E '^[0-9]+% tests passed|\*\*\*(Failed|Timeout|Exception)|Not Run' build/native-ctest.log | head -40
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' build/native-ctest.log | tail -1)
nfail=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' build/native-ctest.log | tail -1)
total=${total:-0} nfail=${nfail:-0}
[[ $rc -ne 0 && $nfail -eq 0 ]] && nfail=1
[[ $rc -ne 0 ]] && status=1
echo "native: $((total - nfail)) passed, $nfail failed"
# The worker's own threads (a run, its download helpers, the window's synchronous calls) under
# ThreadSanitizer: one more build of the update tests only.
echo "== worker tests under ThreadSanitizer"
tsan_filter='Cases/UpdateRunTest.*:ParallelFetch.*:ParallelStaging.*:ResumedDownload*:UpdateWindow.*:*Whole*:*Release*'
if cmake --preset tsan >/dev/null && cmake --build --preset tsan -j "$jobs" --target test_update >build/tsan.build.log 2>&1; then
  TSAN_OPTIONS="second_deadlock_stack=1" timeout 900 build/tsan/tests/test_update --gtest_filter="$tsan_filter" \
    >build/tsan.log 2>&1
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' build/tsan.log | tail -1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' build/tsan.log | tail -1)
  races=$(grep -c '^WARNING: ThreadSanitizer' build/tsan.log)
  passed=${passed:-0} failed=$((${failed:-0} + races))
  [[ $passed -eq 0 ]] && failed=$((failed + 1))
  grep -E '^\[  FAILED  \]|^WARNING: ThreadSanitizer|^SUMMARY: ThreadSanitizer' build/tsan.log | sort -u | head -20
  [[ $failed -ne 0 ]] && status=1
  echo "tsan: $passed passed, $failed failed"
else
  tail -40 build/tsan.build.log 2>/dev/null
  echo "tsan: 0 passed, 1 failed"
  status=1
fi

echo "== win64 tests under Wine"
bash scripts/wine-tests.sh win64 || status=1

echo "== win32 tests under 32-bit Wine"
bash scripts/wine-tests.sh win32 || status=1

exit $status
