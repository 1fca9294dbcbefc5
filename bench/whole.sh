#!/usr/bin/env bash
# Whole releases: the peak disk use of a release's changed files while it is staged and switched
# (the goal: at most twice their size), and the share of the run that the switch takes, for 1,000
# changed files of 4 KiB and 20 of 5 MiB served by the test nginx on loopback. Figures only;
# nothing is asserted. Builds in build/bench.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
work=$build/whole

echo "== building qvxpublish and the whole-release benchmark (-O2, no sanitizers) in $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.whole.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvxpublish qvx_whole_bench >>"$build.whole.log" 2>&1 ||
  { tail -30 "$build.whole.log"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
servers=$work/servers
runner=""
cleanup() { [[ -n $runner ]] && kill "$runner" 2>/dev/null; wait 2>/dev/null; }
trap cleanup EXIT
bash "$root/tests/support/web-servers.sh" run "$servers" $$ >"$work/servers.log" 2>&1 &
runner=$!
for _ in $(seq 1 100); do [[ -f "$servers/ports" ]] && break; sleep 0.1; done
[[ -f "$servers/ports" ]] || { echo "nginx did not start; see $servers"; exit 1; }
read -r port _ <"$servers/ports"

for release in "1000 4096" "20 $((5 << 20))"; do
  read -r count bytes <<<"$release"
  name=whole$count
  rel=$work/release-$name install=$work/install-$name/
  mkdir -p "$rel" "$install/data"
  printf '[1]\r\ncon_str146=Done.\r\ncon_str147=Fetching:\r\ncon_str148=Tool still open.\r\n' >"$install/data/Language.ini"
  for ((i = 0; i < count; i++)); do
    head -c "$bytes" /dev/urandom >"$rel/file$i.bin"
    head -c "$bytes" /dev/urandom >"$install/file$i.bin"
  done
  "$build/tools/qvxpublish/qvxpublish" "$rel" "$servers/www/$name" --softid 1 --appdate 2026-12-10 >/dev/null ||
    { echo "qvxpublish failed for $name"; exit 1; }
  echo "== $count changed files of $((bytes >> 10)) KiB"
  "$build/bench/qvx_whole_bench" "$install" "http://127.0.0.1:$port/$name/"
done
