#!/usr/bin/env bash
# Whole releases over a network: how long the console updater takes to install a release of many
# files, beside curl fetching the same URLs (up.txt and every file) in one process, first one
# after the other on one connection, then with --parallel --parallel-max 8. Figures only;
# nothing is asserted. Builds its own optimised binaries in build/bench.
#
# Releases (published with qvxpublish, served by nginx from tests/support/web-servers.sh):
#   100 files of 4 KiB, 1000 files of 4 KiB, 20 files of 5 MiB
# each over HTTP and HTTPS, on loopback and through qvx_delay_relay adding 10 ms each way
# (20 ms round trip; this kernel has no netem).
# The updater's times are less its fixed 2 s (the one-second start timer and the closing pause).
# Each row prints the three times and "ratio vs curl-parallel" (curl's parallel time divided by
# the updater's: 1.0 or more means at least as fast). QVX_BENCH_RUNS (default 3) runs per
# figure, the median is shown; the 1000-file release runs once. QVX_BENCH_PARALLEL sets the
# updater's [Config] parallel= (its default, 6, when unset), so that it can also be compared with
# curl at the same number of connections.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=${QVX_BENCH_RUNS:-3}
parallel=${QVX_BENCH_PARALLEL:-}
work=$build/release
delay=10

echo "== building the console updater, qvxpublish and the delay relay (-O2, no sanitizers) in $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DQVX_SANITIZE=OFF -DQVX_BUILD_TESTS=OFF >"$build.log" 2>&1 &&
  cmake --build "$build" -j 2 --target qvxupdate qvxpublish qvx_delay_relay >>"$build.log" 2>&1 ||
  { tail -30 "$build.log"; exit 1; }
command -v curl >/dev/null || { echo "curl is missing"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
servers=$work/servers
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
bash "$root/tests/support/web-servers.sh" run "$servers" $$ >"$work/servers.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [[ -f "$servers/ports" ]] && break; sleep 0.1; done
[[ -f "$servers/ports" ]] || { echo "nginx did not start; see $servers"; exit 1; }
read -r port _ <"$servers/ports"
tls_port=$((port + 1))
ca=$servers/tls/ca.crt

relay() {  # target port -> prints the relay's port
  local out=$work/relay-$1.port
  "$build/bench/qvx_delay_relay" "$1" "$delay" 7200 >"$out" &
  pids+=($!)
  for _ in $(seq 1 50); do [[ -s "$out" ]] && break; sleep 0.1; done
  cat "$out"
}
relay_port=$(relay "$port")
relay_tls_port=$(relay "$tls_port")

# The installation every run starts from: the program and its data files, no listed file yet.
template=$work/install-template
cmake --install "$build" --prefix "$template" >/dev/null

publish() {  # name count bytes
  local name=$1 count=$2 bytes=$3 release=$work/release-$1 i
  mkdir -p "$release"
  for ((i = 0; i < count; i++)); do head -c "$bytes" /dev/urandom >"$release/file$i.bin"; done
  "$build/tools/qvxpublish/qvxpublish" "$release" "$servers/www/$name" --softid 1 --appdate 2026-12-10 >/dev/null ||
    { echo "qvxpublish failed for $name"; exit 1; }
}
publish small100 100 4096
publish small1000 1000 4096
publish big20 20 $((5 << 20))

now() { date +%s.%N; }
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# One run of the updater on a fresh installation; prints seconds less the fixed 2 s.
run_updater() {  # base-url expected-files
  local base=$1 expected=$2 install=$work/install start end got
  rm -rf "$install"
  cp -a "$template" "$install"
  printf '[Product]\r\nUpdateUrl=%s\r\n' "$base" >"$install/data/Product.ini"
  if [[ -n $parallel ]]; then
    sed -i "s/^\[Config\]\r\?\$/[Config]\r\nparallel=$parallel\r/" "$install/config.ini"
    grep -q "^parallel=$parallel" "$install/config.ini" || { echo "could not set parallel=$parallel" >&2; exit 1; }
  fi
  start=$(now)
  (cd "$install" && SSL_CERT_FILE=$ca ./qvxupdate >"$work/updater.log" 2>&1)
  end=$(now)
  got=$(find "$install" -maxdepth 1 -name 'file*.bin' | wc -l)
  if [[ $got -ne $expected ]]; then
    echo "updater installed $got of $expected files; see $work/updater.log" >&2
  fi
  echo "$end - $start - 2" | bc -l
}

# One curl process for up.txt and every file; $3: extra options.
run_curl() {  # base-url count options...
  local base=$1 count=$2 dir=$work/curl i start end
  shift 2
  rm -rf "$dir" && mkdir -p "$dir"
  {
    echo "url = \"${base}up.txt\""
    echo "output = \"$dir/up.txt\""
    for ((i = 0; i < count; i++)); do
      echo "url = \"${base}file$i.bin\""
      echo "output = \"$dir/file$i.bin\""
    done
  } >"$work/curl.cfg"
  start=$(now)
  curl -s --no-progress-meter --http1.1 --cacert "$ca" -H "Accept-Encoding: gzip" "$@" -K "$work/curl.cfg" \
    2>>"$work/curl.log" || echo "curl failed; see $work/curl.log" >&2
  end=$(now)
  echo "$end - $start" | bc -l
}

echo "updater: parallel=${parallel:-6 (its default)}"
printf '\n%-26s %10s %10s %10s   %s\n' "release" "updater" "curl-1" "curl-par8" "ratio vs curl-parallel"
for release in "small100 100" "small1000 1000" "big20 20"; do
  read -r name count <<<"$release"
  n=$runs
  [[ $name == small1000 ]] && n=1
  for proto in http https; do
    for net in loopback 20ms; do
      if [[ $proto == http ]]; then
        p=$port; [[ $net == 20ms ]] && p=$relay_port
        base="http://127.0.0.1:$p/$name/"
      else
        p=$tls_port; [[ $net == 20ms ]] && p=$relay_tls_port
        base="https://localhost:$p/$name/"
      fi
      u=$(for ((r = 0; r < n; r++)); do run_updater "$base" "$count"; done | median)
      c1=$(for ((r = 0; r < n; r++)); do run_curl "$base" "$count"; done | median)
      cp=$(for ((r = 0; r < n; r++)); do run_curl "$base" "$count" --parallel --parallel-max 8; done | median)
      ratio=$(echo "$cp / $u" | bc -l)
      printf '%-26s %9.2fs %9.2fs %9.2fs   ratio vs curl-parallel: %.2f\n' "$name $proto $net" "$u" "$c1" "$cp" "$ratio"
    done
  done
done
