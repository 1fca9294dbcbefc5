#!/usr/bin/env bash
# What the checks of signed lists and hash lines cost:
# 1. Hashing installed files, as the update run does for every entry with a hash line: 1 GiB in
#    16 files (in the page cache), against sha256sum on the same files. Goal: at most 1 s per GiB.
# 2. A whole update run that fetches 1,000 files (64 KiB each) from nginx on loopback, once from a
#    list without hash lines and no key, once from the signed publication with a key (one more
#    request, every body hashed, the signature verified). Goal: under 5% more time.
# The machine is shared, so a run's time varies by more than the checks cost: the runs alternate,
# and the fastest run of each kind (the one least disturbed) is printed beside the median; then
# the checks' own work (hashing the 1,000 bodies, verifying the signature, looking for each
# installed copy) is timed alone and set against the plain run.
# Figures only; nothing is asserted. Builds its own optimised binaries in build/bench.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=5

echo "== building the trust benchmark (-O2, no sanitizers) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.trust.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvx_trust_bench qvxpublish >>"$build.trust.log" 2>&1 ||
  { tail -30 "$build.trust.log"; exit 1; }
bench=$build/bench/qvx_trust_bench
publish=$build/tools/qvxpublish/qvxpublish

work=$(mktemp -d "${TMPDIR:-/tmp}/qvx-trust-bench.XXXXXX")
servers=$work/servers
runner=""
trap '[[ -n "$runner" ]] && kill $runner 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
least() { printf '%s\n' "$@" | sort -g | head -n 1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== hashing 1 GiB of installed files (16 x 64 MiB), $runs runs each"
mkdir -p "$work/installed"
for i in $(seq 1 16); do head -c $((64 << 20)) /dev/zero >"$work/installed/f$i.bin"; done
cat "$work/installed"/*.bin >/dev/null  # into the page cache
ours=() ours_cpu=() peer=()
for _ in $(seq 1 $runs); do
  out=$("$bench" hash "$work/installed"/*.bin)
  ours+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
  ours_cpu+=("$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' <<<"$out")")
  start=$(date +%s.%N)
  sha256sum "$work/installed"/*.bin >/dev/null
  peer+=("$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.4f", b - a }')")
done
printf 'update run: %.3f s per GiB (median; processor time %.3f s)    sha256sum: %.3f s per GiB (median)    goal: <= 1 s\n' \
  "$(median "${ours[@]}")" "$(median "${ours_cpu[@]}")" "$(median "${peer[@]}")"
rm -rf "$work/installed"

runs=9
echo "== an update run fetching 1,000 files of 64 KiB from nginx, $runs runs each"
bash "$root/tests/support/web-servers.sh" run "$servers" $$ >"$work/servers.log" 2>&1 &
runner=$!
for _ in $(seq 1 100); do [[ -f "$servers/ports" ]] && break; sleep 0.1; done
[[ -f "$servers/ports" ]] || { echo "nginx did not start; see $work/servers.log"; exit 1; }
read -r port _ <"$servers/ports"
mkdir -p "$work/release"
for i in $(seq 1 1000); do head -c 65536 /dev/urandom >"$work/release/file$i.dat"; done
"$publish" keygen "$work/key.pem" >"$work/keygen.out" || exit 1
key=$(sed -n 's/^UpdateKey=//p' "$work/keygen.out")
"$publish" "$work/release" "$servers/www/signed" --softid 1 --sign "$work/key.pem" >/dev/null || exit 1
mkdir -p "$servers/www/plain"
cp "$servers/www/signed"/*.dat "$servers/www/plain/"
grep -v -E '^(filehash[0-9]+|listserial|setuphash|toolhash)=' "$servers/www/signed/up.txt" \
  >"$servers/www/plain/up.txt"
base="http://127.0.0.1:$port"
plain=() signed=() plain_cpu=() signed_cpu=()
for _ in $(seq 1 $runs); do
  out=$("$bench" run "$base/plain/" "$work/install")
  [[ "$out" == *fetched=1000* ]] || { echo "the plain run did not fetch every file: $out"; exit 1; }
  plain+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
  plain_cpu+=("$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' <<<"$out")")
  out=$("$bench" run "$base/signed/" "$work/install" "$key")
  [[ "$out" == *fetched=1000* ]] || { echo "the signed run did not fetch every file: $out"; exit 1; }
  signed+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
  signed_cpu+=("$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' <<<"$out")")
done
added() { awk -v p="$1" -v s="$2" 'BEGIN { printf "%+.1f%%", (s - p) * 100 / p }'; }
for pick in least median; do
  p=$($pick "${plain[@]}") s=$($pick "${signed[@]}")
  pc=$($pick "${plain_cpu[@]}") sc=$($pick "${signed_cpu[@]}")
  printf '%-6s no key, no hash lines: %.3f s (processor %.3f s)    signed, every file hashed: %.3f s (processor %.3f s)\n' \
    "$pick" "$p" "$pc" "$s" "$sc"
  printf '%-6s added by the checks: %s of the run time, %s of the processor time    goal: < 5%%\n' \
    "$pick" "$(added "$p" "$s")" "$(added "$pc" "$sc")"
done
alone=()
for _ in $(seq 1 $runs); do
  out=$("$bench" checks "$servers/www/signed" "$key") || { echo "the checks failed: $out"; exit 1; }
  alone+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
done
a=$(median "${alone[@]}") p=$(median "${plain[@]}")
printf "the checks' own work, timed alone: %.3f s (median) = %s of the plain run's median    goal: < 5%%\n" \
  "$a" "$(awk -v a="$a" -v p="$p" 'BEGIN { printf "%.1f%%", a * 100 / p }')"
