#!/usr/bin/env bash
# The 32-bit program installs a 1.5 GiB file under 32-bit Wine: the i686 build of qvxupdate.exe
# runs one whole update against nginx on loopback, from a list that names one file of 1.5 GiB
# (with its SHA-256, so the content is checked as it passes), in a private 32-bit prefix with a
# private X display. Held in memory, such a file cannot fit a 32-bit address space; streamed to
# disk it must. Prints the time, the program's exit code and the last lines of its log, then
# "large file (32-bit): 1 passed, 0 failed" when the installed file is the served one and no
# temporary file is left, else "0 passed, 1 failed" (and exits 1).
# Long: not part of make check. QVX_LARGE_MIB sets another size (default 1536).
#   large_file_wine32.sh [win32|win64]   win64 runs the same with the x86_64 program, to check
#                                        the road where 32-bit programs cannot run
# A machine whose kernel runs no 32-bit Linux programs cannot run 32-bit Wine at all: that is
# reported, and counted as skipped (QVX_REQUIRE_WINE32=1 makes it a failure).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-win32}
case "$arch" in
  win32) label="32-bit" prefix=wineprefix32 ;;
  win64) label="64-bit" prefix=wineprefix ;;
  *) echo "usage: $0 [win32|win64]" >&2; exit 2 ;;
esac
work=$root/build/large-$arch
mib=${QVX_LARGE_MIB:-1536}
fail() { echo "large file ($label): $*"; echo "large file ($label): 0 passed, 1 failed"; exit 1; }

echo "== building the $arch program"
cmake --preset "$arch" >"$work.log" 2>&1 && cmake --build "$root/build/$arch" -j 2 --target qvxupdate >>"$work.log" 2>&1 ||
  { tail -20 "$work.log"; fail "the $arch build failed"; }

# shellcheck source=../scripts/wine-env.sh
source "$root/scripts/wine-env.sh" "$arch" || fail "no Wine for $arch"
if ! why=$(qvx_wine_runs); then
  if [[ $arch == win32 && ${QVX_REQUIRE_WINE32:-0} != 1 ]]; then
    echo "large file ($label): $why"
    echo "large file ($label): this machine runs no 32-bit Linux programs; the run was not made"
    echo "large file ($label): 0 passed, 0 failed, 1 skipped"
    exit 0
  fi
  fail "$why"
fi
export WINEPREFIX=$root/build/$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ $arch == win32 ]] && export WINEARCH=win32
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  timeout 300 wineboot -i >/dev/null 2>&1
  wineserver -w
fi

rm -rf "$work/install" "$work/servers/ports"
mkdir -p "$work/servers/www/qvx" "$work/install"
big=$work/servers/www/qvx/big.bin
if [[ $(stat -c %s "$big" 2>/dev/null || echo 0) -ne $((mib << 20)) ]]; then
  echo "== making a $mib MiB file"
  head -c $((mib << 20)) /dev/urandom >"$big"
fi
# QVX_LARGE_NO_HASH=1 lists the file without its hash, to see what the check costs.
hashline=""
[[ ${QVX_LARGE_NO_HASH:-0} == 1 ]] || hashline="filehash0=$(sha256sum "$big" | cut -d' ' -f1)"$'\r\n'
printf 'filecount=1\r\nfilename0=big.bin\r\nfiledate0=2099-1-1-0-0-0\r\n%sAppDate=2024-5-6\r\n' \
  "$hashline" >"$work/servers/www/qvx/up.txt"

bash "$root/tests/support/web-servers.sh" run "$work/servers" $$ >"$work/servers.log" 2>&1 &
servers=$!
xvfb="" fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $servers $xvfb 2>/dev/null; wineserver -k 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 1 100); do [[ -f "$work/servers/ports" && -s "$fdfile" ]] && break; sleep 0.1; done
[[ -f "$work/servers/ports" ]] || fail "nginx did not start"
read -r port _ <"$work/servers/ports"
export DISPLAY=":$(head -n 1 "$fdfile" | tr -dc 0-9)"

install=$work/install
cp -r "$root/install/." "$install/"
cp "$root/build/$arch/qvxupdate.exe" "$install/"
printf '[Product]\r\nUpdateUrl=http://127.0.0.1:%s/qvx/\r\n' "$port" >"$install/data/Product.ini"
echo "old" >"$install/big.bin"

echo "== the update run ($mib MiB)"
start=$(date +%s.%N)
(cd "$install" && timeout 900 wine qvxupdate.exe >"$work/run.out" 2>&1)
rc=$?
seconds=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
echo "exit code $rc after $seconds s; the run's log:"
tail -n 6 "$install/data/update.log" 2>/dev/null | sed 's/^/  /'
leftovers=$(find "$install" -name '*.qvxnew' | wc -l)
if [[ $(stat -c %s "$install/big.bin") -ne $((mib << 20)) ]] || ! cmp -s "$install/big.bin" "$big"; then
  fail "big.bin is not the served file ($(stat -c %s "$install/big.bin") bytes)"
fi
[[ $leftovers -eq 0 ]] || fail "$leftovers temporary files left"
awk -v s="$seconds" -v m="$mib" 'BEGIN { printf "installed %d MiB in %s s (%.0f MB/s)\n", m, s, m * 1.048576 / s }'
echo "large file ($label): 1 passed, 0 failed"
