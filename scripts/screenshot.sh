#!/usr/bin/env bash
# The picture of the update window in the README: the win64 program under Wine on a private
# X display, in the middle of a real update from nginx (a large file served slowly), taken with
# ImageMagick's "import -window root" and cropped to the window.
#   scripts/screenshot.sh [OUTPUT.png]      (default docs/update-window.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${1:-$root/docs/update-window.png}
work=$root/build/screenshot
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target qvxpublish >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target qvxupdate qvx_fake_tool >/dev/null

rm -rf "$work"
mkdir -p "$work/release/data"
runner="" xvfb="" 
stop() {
  [[ -n "${WINEPREFIX:-}" ]] && wineserver -k 2>/dev/null
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null
  [[ -n "$runner" ]] && kill "$runner" 2>/dev/null
  return 0
}
trap stop EXIT

# nginx (and a proxy we do not use) on free loopback ports; /slow/ serves at 256 KiB/s.
QVX_SLOW_RATE=262144 bash tests/support/web-servers.sh run "$work/servers" $$ >"$work/servers.log" 2>&1 &
runner=$!
for i in $(seq 1 150); do [[ -f "$work/servers/ports" ]] && break; sleep 0.1; done
read -r port _ <"$work/servers/ports"

printf 'qvxtool 1.0.2\r\n' >"$work/release/readme.txt"
printf '[Devices]\r\ncount=3\r\n' >"$work/release/data/devices.ini"
# Listed last (the list is in name order), so the small files are done when it starts.
head -c 12000000 /dev/urandom >"$work/release/remotes.pack"
build/native/tools/qvxpublish/qvxpublish "$work/release" "$work/servers/www/qvx" --softid 102 >/dev/null

install=$work/install
cmake --install build/win64 --prefix "$install" >/dev/null
printf 'qvxtool 1.0.1\r\n' >"$install/readme.txt"
touch -d '2015-03-20 10:00' "$install/readme.txt"
cp build/win64/tests/qvx_fake_tool.exe "$install/qvxtool.exe"
printf '[Product]\r\nUpdateUrl=http://127.0.0.1:%s/slow/qvx/\r\n' "$port" >"$install/data/Product.ini"

export WINEPREFIX=$root/build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source scripts/wine-env.sh win64
fd=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd" >/dev/null 2>&1 &
xvfb=$!
for i in $(seq 100); do [[ -s "$fd" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$fd" | tr -dc 0-9)"
rm -f "$fd"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then timeout 300 wineboot -i >/dev/null 2>&1 || true; fi
if ! grep -q '"SimSun"=' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ \
    /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
fi

argument=$(printf '%s|1%s' "$(winepath -w "$install/qvxtool.exe")" 102 | base64 -w0)
wine "$install/qvxupdate.exe" "$argument" >/dev/null 2>&1 &
# The small files come first and at once; a few seconds later the large one is under way.
for i in $(seq 1 300); do
  grep -q '1.0.2' "$install/readme.txt" && break
  sleep 0.1
done
sleep 4
mkdir -p "$(dirname "$out")"
import -window root "$work/root.png"
# Only the window has colour on the black root window.
convert "$work/root.png" -trim +repage "$out"
echo "screenshot: $out"
