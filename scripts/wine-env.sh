#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs: "source scripts/wine-env.sh win64|win32".
# Picks Wine's loader for the programs' architecture and puts "wine" and "wine-stable" (which
# winepath, wineboot and reg call) in front of PATH, both going to that loader.
#
# Debian's /usr/bin/wine prefers the 32-bit loader as soon as wine32:i386 is installed. That
# loader is an i386 Linux program, and a kernel without the 32-bit system-call layer refuses to
# start it, which would fail every 64-bit run too; so the loader is named, never guessed.
# Exports WINELOADER (also used by Wine for the programs a program starts) and QVX_WINE_ARCH.
# Sourced: no "exit" and no shell options here.
_qvx_we_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

qvx_wine_env() {
  local arch=$1 bin
  case "$arch" in
    win64) WINELOADER=/usr/lib/wine/wine64 ;;
    win32) WINELOADER=/usr/lib/wine/wine ;;
    *) echo "wine-env.sh: unknown architecture '$arch'" >&2; return 1 ;;
  esac
  QVX_WINE_ARCH=$arch
  export WINELOADER QVX_WINE_ARCH
  bin="$_qvx_we_root/build/wine-loader-$arch"
  mkdir -p "$bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$WINELOADER" >"$bin/wine"
  chmod 755 "$bin/wine"
  cp "$bin/wine" "$bin/wine-stable"
  case ":$PATH:" in
    *":$bin:"*) ;;
    *) PATH="$bin:$PATH" ;;
  esac
  export PATH
}

# True when this machine can start the loader at all; prints the reason when it cannot.
qvx_wine_runs() {
  local why
  if [[ ! -x "$WINELOADER" ]]; then
    echo "$WINELOADER is not installed (scripts/deps.sh installs it)"
    return 1
  fi
  if ! why=$("$WINELOADER" --version 2>&1); then
    echo "$WINELOADER does not start here: $why"
    return 1
  fi
}

[[ $# -gt 0 ]] && qvx_wine_env "$1"
