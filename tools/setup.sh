#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine:
# the 32-bit mingw-w64 toolchain, 32-bit Wine, the Japanese locale.
# Safe to run again; it only installs what is missing.
set -euo pipefail

need_pkgs=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  FORCE_UPDATE=1
fi

# g++ (the host's) builds the script fuzz target natively, with its sanitizers.
# osslsigncode and openssl: tools/sign.sh signs a release folder with them.
for p in g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386 wine64 locales \
         googletest cmake make g++ xvfb imagemagick fonts-ipafont-gothic fonts-wine \
         osslsigncode openssl; do
  have "$p" || need_pkgs+=("$p")
done

if [ ${#need_pkgs[@]} -gt 0 ] || [ -n "${FORCE_UPDATE:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  if [ ${#need_pkgs[@]} -gt 0 ]; then
    $SUDO apt-get install -y -q --no-install-recommends "${need_pkgs[@]}" </dev/null
  fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  $SUDO sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
