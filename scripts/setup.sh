#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Zephra.
# Run as root (or with sudo available); otherwise prints what to install.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ python3            # build tools and the native core build
  g++-mingw-w64-x86-64-posix               # the Windows cross compiler (posix threads)
  binutils-mingw-w64-x86-64                # windres
  googletest                               # GoogleTest sources, built by both trees
  wine64                                   # runs the Windows programs and tests
  xvfb xauth x11-apps                      # a display for GUI tests, xwd screenshots
  imagemagick                              # screenshots to PNG
  clang libclang-rt-14-dev                 # libFuzzer for the fuzz targets
  locales                                  # a non-English locale for the formatting tests
  ccache                                   # faster rebuilds (used when present)
  python3-aiosmtpd                         # a real SMTP server for the mail tests (/usr/bin/python3)
  openssl                                  # the mail tests make their certificate authority with it
  nsis                                     # makensis: the installer
  fp-utils-3.2.2                           # chmcmd: the help file Zephra.chm
  p7zip-full                               # 7z: the help file's test lists its contents
  iproute2 procps                          # ip, sysctl: the veth pair of the hand-over test
  prometheus                               # prometheus and promtool: the counters endpoint's test
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

need_locale=0
locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$' || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "Zephra needs these Debian packages: ${missing[*]}" >&2
    echo "Install them as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ $need_locale -eq 1 ]; then
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
