#!/usr/bin/env bash
# Download speed and memory of THttpClient against curl, on loopback from nginx: one 256 MiB file
# fetched 5 times by each of curl writing to /dev/shm (a file in memory), curl writing to
# /dev/null, and THttpClient (progress event on, body kept in its document), the three taking
# turns. Prints the median times, "ratio vs curl-in-memory: X.XX" and "ratio vs curl-to-null: X.XX"
# (curl's median time divided by ours: above 1 means faster), and our peak resident memory.
# Wall times suffer when the machine is shared, so the processor time (user + system) of each
# process is compared as well. Then the unpacking figure: UnCompressBody against a plain zlib raw inflate.
# Figures only; nothing is asserted. Builds its own optimised binaries in build/bench.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=5
size=$((256 << 20))

echo "== building the benchmarks (-O2, no sanitizers) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvx_http_bench qvx_unpack_bench >>"$build.log" 2>&1 ||
  { tail -30 "$build.log"; exit 1; }

servers=$build/servers
shm_file=/dev/shm/qvx-bench-$$.bin
bash "$root/tests/support/web-servers.sh" run "$servers" $$ >"$build/servers.log" 2>&1 &
runner=$!
trap 'kill $runner 2>/dev/null; wait $runner 2>/dev/null; rm -f "$shm_file"' EXIT
for _ in $(seq 1 100); do [[ -f "$servers/ports" ]] && break; sleep 0.1; done
[[ -f "$servers/ports" ]] || { echo "nginx did not start; see $servers"; exit 1; }
read -r port _ <"$servers/ports"
big=$servers/www/bench-256m.bin
if [[ $(stat -c %s "$big" 2>/dev/null || echo 0) -ne $size ]]; then
  head -c "$size" /dev/urandom >"$big"
fi
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

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== fetching $url ($((size >> 20)) MiB), $runs runs each"
shm_times=() null_times=() our_times=() shm_cpus=() null_cpus=() our_cpus=() peak=0
for run in $(seq 1 "$runs"); do
  read -r t_shm c_shm < <(curl_run "$shm_file")
  rm -f "$shm_file"
  read -r t_null c_null < <(curl_run /dev/null)
  ours=$("$build/bench/qvx_http_bench" "$url") || { echo "THttpClient run failed"; exit 1; }
  t_ours=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$ours")
  c_ours=$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' <<<"$ours")
  kib=$(sed -n 's/.*peak_kib=\([0-9]*\).*/\1/p' <<<"$ours")
  bytes=$(sed -n 's/.*bytes=\([0-9]*\).*/\1/p' <<<"$ours")
  [[ "$bytes" -eq $size ]] || { echo "THttpClient got $bytes bytes"; exit 1; }
  ((kib > peak)) && peak=$kib
  printf 'run %d: curl-in-memory %.4f s (cpu %.4f), curl-to-null %.4f s (cpu %.4f), THttpClient %.4f s (%s)\n' \
    "$run" "$t_shm" "$c_shm" "$t_null" "$c_null" "$t_ours" "$ours"
  shm_times+=("$t_shm") null_times+=("$t_null") our_times+=("$t_ours")
  shm_cpus+=("$c_shm") null_cpus+=("$c_null") our_cpus+=("$c_ours")
done
m_shm=$(median "${shm_times[@]}")
m_null=$(median "${null_times[@]}")
m_ours=$(median "${our_times[@]}")
awk -v s="$m_shm" -v n="$m_null" -v o="$m_ours" -v b="$size" 'BEGIN {
  printf "median curl-in-memory: %.4f s (%.0f MB/s)\n", s, b / s / 1e6
  printf "median curl-to-null:   %.4f s (%.0f MB/s)\n", n, b / n / 1e6
  printf "median THttpClient:    %.4f s (%.0f MB/s)\n", o, b / o / 1e6
  printf "ratio vs curl-in-memory: %.2f\n", s / o
  printf "ratio vs curl-to-null: %.2f\n", n / o
}'
awk -v s="$(median "${shm_cpus[@]}")" -v n="$(median "${null_cpus[@]}")" -v o="$(median "${our_cpus[@]}")" 'BEGIN {
  printf "median processor time: curl-in-memory %.4f s, curl-to-null %.4f s, THttpClient %.4f s\n", s, n, o
  printf "processor-time ratio vs curl-in-memory: %.2f\n", s / o
}'
awk -v k="$peak" -v b="$size" 'BEGIN {
  printf "THttpClient peak resident memory: %.1f MiB (body %.0f MiB + %.1f MiB; goal: body + 32 MiB)\n",
    k / 1024, b / 1048576, k / 1024 - b / 1048576
}'

echo "== unpacking"
"$build/bench/qvx_unpack_bench"
