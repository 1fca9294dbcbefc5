#!/usr/bin/env bash
# Runs every cross-built x86_64 test program under Wine in a private prefix below build/.
# Prints "wine: N passed, N failed" (test cases, as GoogleTest counts them) and fails when any failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/win64"
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
logdir="$root/build/wine-logs"
mkdir -p "$logdir"

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "wine: creating the prefix $WINEPREFIX (first use)"
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
display_tests=" test_ui test_e2e test_platform test_update "
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
shopt -s nullglob
for exe in "$bin"/tests/*/test_*.exe "$bin"/tests/test_*.exe; do
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
  rc=$?
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  p=${p:-0} f=${f:-0}
  if [[ $rc -ne 0 && $f -eq 0 ]]; then f=1; fi   # a crash or a time-out counts as a failure
  echo "wine: $name: $p passed, $f failed (exit $rc)"
  if [[ $f -ne 0 ]]; then
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -20 | sed 's/^/    /'
    echo "    full log: $log"
  fi
  passed=$((passed + p)) failed=$((failed + f))
done
echo "wine: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
