#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need, and only those missing.
# Quick when everything is present.
set -euo pipefail

packages=(
  build-essential cmake make zlib1g-dev libgtest-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine64 xvfb imagemagick fonts-wqy-microhei
  nginx tinyproxy curl iproute2
  libssl-dev openssl
  clang libclang-rt-14-dev
  locales
)

# 32-bit Wine runs the i686 programs (the product's own build); it comes from the i386 side of
# the archive, which dpkg must be told about first.
foreign=(wine32:i386)

# The Wine tests of installation folders with Chinese names run in this locale.
chinese_locale() { locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; }

missing=()
for p in "${packages[@]}" "${foreign[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && chinese_locale && exit 0

if [[ $(id -u) -ne 0 ]]; then
  [[ ${#missing[@]} -eq 0 ]] || echo "deps.sh: these Debian packages are missing: ${missing[*]}" >&2
  chinese_locale || echo "deps.sh: the locale zh_CN.UTF-8 is not generated" >&2
  echo "deps.sh: run it as root (sudo scripts/deps.sh) or install them with apt-get yourself." >&2
  exit 1
fi

if [[ ${#missing[@]} -ne 0 ]]; then
  echo "deps.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! chinese_locale; then
  echo "deps.sh: generating the locale zh_CN.UTF-8"
  grep -qx 'zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
# nginx and tinyproxy are started by the tests with their own configuration; the system
# services the packages start are not needed.
for svc in nginx tinyproxy; do
  if command -v systemctl >/dev/null 2>&1; then systemctl stop "$svc" >/dev/null 2>&1 || true; fi
  service "$svc" stop >/dev/null 2>&1 || true
done
exit 0
