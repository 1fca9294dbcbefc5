#!/usr/bin/env bash
# Runs every cross-built test program of one Windows build under Wine in a private prefix below
# build/: "win64" (the default, x86_64 programs in a 64-bit prefix) or "win32" (the i686 programs,
# the product's own build, in a 32-bit prefix of their own).
# Prints "<stage>: N passed, N failed" (test cases, as GoogleTest counts them) and fails when any
# failed; the stage is "wine" for win64 and "wine32" for win32.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-win64}
case "$arch" in
  win64) stage=wine prefix=wineprefix ;;
  win32) stage=wine32 prefix=wineprefix32 ;;
  *) echo "usage: wine-tests.sh [win64|win32]" >&2; exit 2 ;;
esac
bin="$root/build/$arch"
export WINEPREFIX="$root/build/$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A prefix is made for one architecture at its first use; WINEARCH picks it then.
[[ $arch == win32 ]] && export WINEARCH=win32
logdir="$root/build/$stage-logs"
mkdir -p "$logdir"

shopt -s nullglob
programs=("$bin"/tests/*/test_*.exe "$bin"/tests/test_*.exe)
if [[ ${#programs[@]} -eq 0 ]]; then
  echo "$stage: no test programs in $bin/tests (build the $arch preset first)"
  echo "$stage: 0 passed, 1 failed"
  exit 1
fi

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh" "$arch" || exit 2
if ! why=$(qvx_wine_runs); then
  echo "$stage: $why"
  # 32-bit Wine is an i386 Linux program. Some kernels are built, or started, without the 32-bit
  # system-call layer and refuse to execute it: there the i686 programs cannot run at all. That
  # is reported as such, and fails the stage only when QVX_REQUIRE_WINE32=1 asks for it.
  if [[ $arch == win32 && -x $WINELOADER && ${QVX_REQUIRE_WINE32:-0} != 1 ]]; then
    echo "$stage: this machine runs no 32-bit Linux programs; the ${#programs[@]} i686 test programs were built, not run"
    echo "$stage: 0 passed, 0 failed, ${#programs[@]} skipped"
    exit 0
  fi
  echo "$stage: 0 passed, 1 failed"
  exit 1
fi

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "$stage: creating the prefix $WINEPREFIX (first use)"
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
# The update window's buttons and gauge ask for the Song face ("SimSun"), which Wine lacks; a
# Debian font with both Chinese and Latin letters stands in, so screenshots show text.
if ! grep -q '"SimSun"=' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ \
    /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
fi

# Test programs that open real windows get a private X display; the others run without one.
# test_platform and test_update hold the fake tool, whose TfrmCat window needs a display too.
display_tests=" test_ui test_lang test_e2e test_platform test_update "
xvfb_pid="" xvfb_display=""
start_xvfb() {
  # Every program that needs the display gets it again, although the server starts only once.
  if [[ -n "$xvfb_pid" ]]; then export DISPLAY="$xvfb_display"; return; fi
  # Xvfb picks a free display itself and reports it when ready, so runs of several engineers
  # side by side never share (and never kill) one server.
  local fdfile i
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for i in $(seq 100); do [[ -s "$fdfile" ]] && break; sleep 0.1; done
  xvfb_display=":$(head -n 1 "$fdfile" | tr -dc 0-9)"
  rm -f "$fdfile"
  export DISPLAY="$xvfb_display"
}
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  [[ -f "$root/tests/support/wine-servers.sh" ]] && bash "$root/tests/support/wine-servers.sh" stop >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# Servers that the Windows test programs cannot start themselves (nginx, tinyproxy) are started
# here; the script exports where they listen.
if [[ -f "$root/tests/support/wine-servers.sh" ]]; then
  # shellcheck disable=SC1091
  source "$root/tests/support/wine-servers.sh" start
fi

passed=0 failed=0
# tally LABEL LOG EXIT [must-run]: adds one program's counts from its log to the totals and prints
# its line. A crash or a time-out counts as a failure; with must-run, so does a run in which a
# case skipped itself or nothing passed.
tally() {
  local label=$1 log=$2 rc=$3 must_run=${4:-} p f s
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  p=${p:-0} f=${f:-0} s=${s:-0}
  if [[ $rc -ne 0 && $f -eq 0 ]]; then f=1; fi
  if [[ -n $must_run ]]; then
    if [[ $s -ne 0 || $p -eq 0 ]]; then f=$((f + 1)); fi
    echo "$stage: $label: $p passed, $f failed, $s skipped (exit $rc)"
  else
    echo "$stage: $label: $p passed, $f failed (exit $rc)"
  fi
  if [[ $f -ne 0 ]]; then
    grep -E '^\[  FAILED  \]|^\[  SKIPPED \]|Failure|error|code page' "$log" | head -20 | sed 's/^/    /'
    echo "    full log: $log"
  fi
  passed=$((passed + p)) failed=$((failed + f))
}
for exe in "${programs[@]}"; do
  name=$(basename "$exe" .exe)
  log="$logdir/$name.log"
  unset DISPLAY
  [[ "$display_tests" == *" $name "* ]] && start_xvfb
  # Wine's desktop process keeps the display it was started with for the whole wineserver
  # session: a program that needs another display must start a new session.
  if [[ "${DISPLAY:-}" != "${session_display-unset}" ]]; then
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    session_display="${DISPLAY:-}"
  fi
  (cd "$(dirname "$exe")" && timeout 600 wine "$exe" --gtest_color=no) >"$log" 2>&1
  tally "$name" "$log" $?
done
# Installation folders with Chinese names: the cases named DoubleBytePaths run once more with
# the ANSI code page 936, which Wine takes from a Chinese locale (scripts/deps.sh generates it).
# They skip themselves in any other code page, so a skip here counts as a failure.
unset DISPLAY
for name in test_common test_update; do
  exe="$bin/tests/$name.exe"
  [[ -f "$exe" ]] || continue
  log="$logdir/$name-cp936.log"
  start_xvfb
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  (cd "$(dirname "$exe")" && LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 timeout 600 wine "$exe" \
     --gtest_color=no --gtest_filter='DoubleBytePaths.*') >"$log" 2>&1
  tally "$name (code page 936)" "$log" $? must-run
done
wineserver -k 2>/dev/null
echo "$stage: the test programs ran in ${SECONDS} s"
echo "$stage: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
