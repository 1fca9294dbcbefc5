#!/usr/bin/env bash
# Download speed and memory of the update run's file download against curl, on loopback from
# nginx. Figures only; nothing is asserted. Builds its own optimised binaries in build/bench.
#
# 1. Speed: one 256 MiB file fetched 5 times by each of, taking turns:
#      curl writing a file on tmpfs (/dev/shm) and ours writing one there,
#      curl writing a file on the disk (build/bench) and ours writing one there,
#      curl writing to /dev/null (the ceiling: no file at all),
#      curl writing a file on the disk followed by "sync FILE" (the flush that ours does too).
#    "ours" is the road of the update run: the body streamed into a temporary file beside the
#    target, flushed to the disk and put in place (the flush is a cost curl does not pay).
#    Prints the median times and "ratio vs curl-to-file (tmpfs|disk): X.XX" (curl's median time
#    divided by ours: above 1 means faster), the ratio to curl-to-null, and the processor times.
# 2. Memory: peak resident memory of one 1 GiB download, plain and packed, to the disk; and of
#    the in-memory document for comparison on the 256 MiB file.
# 3. Unpacking: the stream unpacker against a plain zlib raw inflate as a stream.
# 4. Under Wine: where the time of a download goes (see the end of this script).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=${QVX_BENCH_RUNS:-5}
size=$((256 << 20))
big=$((1 << 30))

echo "== building the benchmarks (-O2, no sanitizers) in $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvx_http_bench qvx_unpack_bench >>"$build.log" 2>&1 ||
  { tail -30 "$build.log"; exit 1; }
bench=$build/bench/qvx_http_bench

servers=$build/servers
shm_dir=/dev/shm/qvx-bench-$$
disk_dir=$build/disk
mkdir -p "$shm_dir" "$disk_dir"
bash "$root/tests/support/web-servers.sh" run "$servers" $$ >"$build/servers.log" 2>&1 &
runner=$!
trap 'kill $runner 2>/dev/null; wait $runner 2>/dev/null; rm -rf "$shm_dir" "$disk_dir"' EXIT
for _ in $(seq 1 100); do [[ -f "$servers/ports" ]] && break; sleep 0.1; done
[[ -f "$servers/ports" ]] || { echo "nginx did not start; see $servers"; exit 1; }
read -r port _ <"$servers/ports"
www=$servers/www
if [[ $(stat -c %s "$www/bench-256m.bin" 2>/dev/null || echo 0) -ne $size ]]; then
  head -c "$size" /dev/urandom >"$www/bench-256m.bin"
fi
# The 1 GiB file is text-like lines that pack about 30:1: the packed road inflates a whole GiB.
if [[ $(stat -c %s "$www/bench-1g.bin" 2>/dev/null || echo 0) -ne $big ]]; then
  seq -f 'line %.0f of the remote-control code table, leader 9000 4500, repeat 110 ms' 1 100000000 |
    head -c "$big" >"$www/bench-1g.bin"
  rm -f "$www/bench-1g.bin.gz"
fi
# nginx sends NAME.gz, marked gzip, to a request that accepts gzip (ours always does): the packed
# layout. The same bytes under a name without a .gz beside it come plain.
[[ -f "$www/bench-1g.bin.gz" ]] || "$bench" --pack "$www/bench-1g.bin" "$www/bench-1g.bin.gz"
ln -f "$www/bench-1g.bin" "$www/bench-1g-plain.bin"
url="http://127.0.0.1:$port/bench-256m.bin"
curl -s -o /dev/null "$url"  # the file into the page cache

# Runs curl, printing "<wall seconds> <processor seconds>".
curl_run() {
  local out cpu
  exec 3>&1
  cpu=$( { TIMEFORMAT='%U %S'; time curl -s -o "$1" -w '%{time_total}' "$url" >"$build/curl.out"; } 2>&1 >&3)
  exec 3>&-
  out=$(cat "$build/curl.out")
  awk -v w="$out" -v c="$cpu" 'BEGIN { split(c, p, " "); printf "%s %.4f\n", w, p[1] + p[2] }'
}

# Runs ours into a file, printing "<wall seconds> <processor seconds> <peak KiB>".
ours_run() {
  local line
  line=$("$bench" "$1" --file "$2") || { echo "our download failed" >&2; exit 1; }
  sed -n 's/.*seconds=\([0-9.]*\).*peak_kib=\([0-9]*\).*cpu=\([0-9.]*\).*/\1 \3 \2/p' <<<"$line"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== fetching $url ($((size >> 20)) MiB), $runs runs each"
declare -A times cpus
for run in $(seq 1 "$runs"); do
  line="run $run:"
  for kind in curl-tmpfs ours-tmpfs curl-disk ours-disk curl-null curl-disk-sync; do
    case $kind in
      curl-disk-sync)
        start=$(date +%s.%N)
        read -r _ c < <(curl_run "$disk_dir/f.bin")
        sync "$disk_dir/f.bin"
        t=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.4f", e - s }') ;;
      curl-tmpfs) read -r t c < <(curl_run "$shm_dir/f.bin") ;;
      curl-disk) read -r t c < <(curl_run "$disk_dir/f.bin") ;;
      curl-null) read -r t c < <(curl_run /dev/null) ;;
      ours-tmpfs) read -r t c _ < <(ours_run "$url" "$shm_dir/f.bin") ;;
      ours-disk) read -r t c _ < <(ours_run "$url" "$disk_dir/f.bin") ;;
    esac
    rm -f "$shm_dir/f.bin" "$disk_dir/f.bin"
    times[$kind]+="$t " cpus[$kind]+="$c "
    line+=$(printf ' %s %.3f s' "$kind" "$t")
  done
  echo "$line"
done
declare -A m
for kind in "${!times[@]}"; do
  # shellcheck disable=SC2086
  m[$kind]=$(median ${times[$kind]})
  # shellcheck disable=SC2086
  m[cpu-$kind]=$(median ${cpus[$kind]})
done
for kind in curl-tmpfs ours-tmpfs curl-disk ours-disk curl-null curl-disk-sync; do
  awk -v k="$kind" -v t="${m[$kind]}" -v c="${m[cpu-$kind]}" -v b="$size" \
    'BEGIN { printf "median %-14s %.4f s (%4.0f MB/s), processor %.4f s\n", k, t, b / t / 1e6, c }'
done
awk -v ct="${m[curl-tmpfs]}" -v ot="${m[ours-tmpfs]}" -v cd="${m[curl-disk]}" -v od="${m[ours-disk]}" \
  -v n="${m[curl-null]}" -v cs="${m[curl-disk-sync]}" 'BEGIN {
  printf "ratio vs curl-to-file (tmpfs): %.2f\n", ct / ot
  printf "ratio vs curl-to-file (disk): %.2f (ours flushes the file to the disk, curl does not)\n", cd / od
  printf "ratio vs curl-to-file + sync (disk): %.2f\n", cs / od
  printf "ratio vs curl-to-null: %.2f (tmpfs), %.2f (disk)\n", n / ot, n / od
}'

echo "== peak resident memory"
read -r t _ kib < <(ours_run "http://127.0.0.1:$port/bench-1g-plain.bin" "$disk_dir/plain.bin")
printf "plain 1 GiB to the disk:  %.1f MiB peak resident, %.2f s (goal: at most 24 MiB)\n" "$(awk -v k="$kib" "BEGIN { print k / 1024 }")" "$t"
cmp -s "$disk_dir/plain.bin" "$www/bench-1g.bin" || echo "the plain download differs from the served file"
rm -f "$disk_dir/plain.bin"
read -r t _ kib < <(ours_run "http://127.0.0.1:$port/bench-1g.bin" "$disk_dir/packed.bin")
printf 'packed 1 GiB (%d MiB on the wire) to the disk: %.1f MiB peak resident, %.2f s\n' \
  "$(($(stat -c %s "$www/bench-1g.bin.gz") >> 20))" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$t"
cmp -s "$disk_dir/packed.bin" "$www/bench-1g.bin" || echo "the packed download differs from the served file"
rm -f "$disk_dir/packed.bin"
ours=$("$bench" "$url") || { echo "the in-memory fetch failed"; exit 1; }
printf 'for comparison, 256 MiB into the in-memory document: %.1f MiB peak resident\n' \
  "$(awk -v k="$(sed -n 's/.*peak_kib=\([0-9]*\).*/\1/p' <<<"$ours")" 'BEGIN { print k / 1024 }')"

echo "== unpacking"
"$build/bench/qvx_unpack_bench"

# HTTPS: the same 256 MiB file from the same nginx over TLS (its port after the plain one, with
# the test authority that web-servers.sh made), ours into a file on tmpfs beside curl doing the
# same. Both trust the test authority only: curl through --cacert, ours through SSL_CERT_FILE.
# Goal: at least 0.9 times curl's speed (printed, not asserted).
echo "== HTTPS, $runs runs each"
https_url="https://localhost:$((port + 1))/bench-256m.bin"
ca=$servers/tls/ca.crt
declare -a https_curl https_ours
for run in $(seq 1 "$runs"); do
  t=$(curl -s --cacert "$ca" -o "$shm_dir/s.bin" -w '%{time_total}' "$https_url") ||
    { echo "curl over HTTPS failed"; break; }
  rm -f "$shm_dir/s.bin"
  line=$(SSL_CERT_FILE=$ca "$bench" "$https_url" --file "$shm_dir/s.bin") ||
    { echo "our HTTPS download failed: $line"; break; }
  o=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$line")
  rm -f "$shm_dir/s.bin"
  https_curl+=("$t") https_ours+=("$o")
  printf 'run %d: curl %.3f s, ours %.3f s\n' "$run" "$t" "$o"
done
if [[ ${#https_ours[@]} -gt 0 ]]; then
  awk -v c="$(median "${https_curl[@]}")" -v o="$(median "${https_ours[@]}")" -v b="$size" 'BEGIN {
    printf "median curl-https %.4f s (%4.0f MB/s), ours-https %.4f s (%4.0f MB/s)\n", c, b / c / 1e6, o, b / o / 1e6
    printf "ratio vs curl over HTTPS (tmpfs): %.2f (goal: at least 0.90)\n", c / o }'
fi

# 4. Under Wine (x86_64 build, when Wine runs here; QVX_BENCH_WINE=0 leaves it out): the same
#    256 MiB file received into nothing, into a file and into the in-memory document, with the
#    processor time of wineserver, through which Wine passes every socket receive.
[[ ${QVX_BENCH_WINE:-1} == 1 ]] || exit 0
echo "== under Wine (x86_64)"
# shellcheck source=../scripts/wine-env.sh
source "$root/scripts/wine-env.sh" win64 || exit 0
if ! why=$(qvx_wine_runs); then echo "not run: $why"; exit 0; fi
{ cmake --preset win64 && cmake --build "$root/build/win64" -j 2 --target qvx_http_bench; } >>"$build.log" 2>&1 ||
  { echo "not run: the win64 build failed (see $build.log)"; exit 0; }
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_bench=$root/build/win64/bench/qvx_http_bench.exe
[[ -f "$WINEPREFIX/system.reg" ]] || timeout 300 wineboot -i >/dev/null 2>&1
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
# A server of our own, kept running, so that its processor time can be read around each run.
wineserver -f -p >/dev/null 2>&1 &
wineserver_pid=$!
trap 'kill $runner 2>/dev/null; wait $runner 2>/dev/null; rm -rf "$shm_dir" "$disk_dir"; wineserver -k 2>/dev/null' EXIT
sleep 1
wine "$wine_bench" "$url" --null >/dev/null 2>&1  # warm: the program's start, the page cache
ticks() { awk '{ print $14 + $15 }' "/proc/$wineserver_pid/stat"; }
hz=$(getconf CLK_TCK)
for mode in "--null|received into nothing" "--file Z:$shm_dir/w.bin|into a file on tmpfs" "|into the document"; do
  args=${mode%%|*} what=${mode#*|}
  before=$(ticks)
  # shellcheck disable=SC2086
  line=$(wine "$wine_bench" "$url" $args 2>&1) || { echo "$what: failed: $line"; continue; }
  after=$(ticks)
  rm -f "$shm_dir/w.bin"
  sed -n 's/.*seconds=\([0-9.]*\).*peak_kib=\([0-9]*\).*cpu=\([0-9.]*\).*/\1 \2 \3/p' <<<"$line" |
    while read -r t kib cpu; do
      awk -v w="$what" -v t="$t" -v k="$kib" -v c="$cpu" -v s="$((after - before))" -v hz="$hz" 'BEGIN {
        printf "%-22s %.3f s, program %.2f s processor, wineserver %.2f s processor, peak %.0f MiB\n", w, t, c, s / hz, k / 1024 }'
    done
done
read -r t _ < <(ours_run "$url" "$shm_dir/n.bin")
rm -f "$shm_dir/n.bin"
echo "natively, into a file on tmpfs: $t s"
