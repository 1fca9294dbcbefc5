#!/usr/bin/env bash
# How long the switch of releases takes for 1,000 changed files: staging, the journaled commit,
# and the recovery of a switch killed half-way, on the disk of the build folder (not a memory
# file system, where flushes cost nothing). Figures only; nothing is asserted. Builds in
# build/bench.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench

echo "== building the release-switch benchmark (-O2, no sanitizers) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.commit.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvx_commit_bench >>"$build.commit.log" 2>&1 ||
  { tail -30 "$build.commit.log"; exit 1; }

echo "== switching releases of 1,000 changed files"
"$build/bench/qvx_commit_bench" "$build"
