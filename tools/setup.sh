#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, as root.
# Safe to run again: every step checks first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          libz-mingw-w64-dev googletest clang libclang-rt-dev zlib1g-dev
          wine wine64 xvfb xauth fonts-ipafont imagemagick locales x11-utils xdotool
          openssl apache2 python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# The Wine prefix lives under the build folder; created once, without the
# Mono/Gecko installer dialogs.
. "$top/tools/wineenv.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
# Without a window manager (a virtual display), Wine waits for one on every
# window it hides; unmanaged windows make dialogs close at once.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
fi
# A handset draws its controls plain; the desktop theme a new prefix gets
# would make every scroll bar and header look (and cost) like a desktop's.
if ! grep -q '"ThemeActive"="0"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f \
    >/dev/null 2>&1 || true
  wineserver -w || true
fi

# The certificates of the TLS tests (a test root, the loopback server's, and
# the refused kinds), made once for this checkout; the tests install the root
# into the prefix's machine root store themselves.
bash "$top/tools/testcerts.sh" "$top/build/certs"
