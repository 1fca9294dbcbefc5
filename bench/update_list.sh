#!/usr/bin/env bash
# How long the update run takes to decide update lists of 1,000, 10,000 and 50,000 entries
# against an installation where no file is older than the server's: from the parsed list to the
# end of the run, no download. The time per entry must not grow with the list (goal: 10,000
# entries within 1 second). Figures only; nothing is asserted. Builds in build/bench.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench

echo "== building the update-list benchmark (-O2, no sanitizers) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.update-list.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvx_update_list_bench >>"$build.update-list.log" 2>&1 ||
  { tail -30 "$build.update-list.log"; exit 1; }

echo "== deciding update lists where nothing is newer"
"$build/bench/qvx_update_list_bench"
