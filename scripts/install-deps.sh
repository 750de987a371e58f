#!/usr/bin/env bash
# Installs every Debian package Tessivar needs to build, run and test.
# Idempotent: when all packages are already present apt is not touched.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libx11-dev libxfixes-dev libxtst-dev libxrandr-dev libxkbcommon-dev x11-xkb-utils
  xvfb xauth xserver-xorg-core xserver-xorg-video-dummy xserver-xephyr x11-xserver-utils xdotool
  trayer xcompmgr openbox
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev zlib1g-dev libssl-dev libcpp-httplib-dev openssl
  protobuf-c-compiler libprotobuf-c-dev
  clang clang-format-14 libclang-rt-14-dev llvm lld binutils
  libunwind-dev
  libutf8proc-dev
  fonts-noto-cjk fonts-noto-color-emoji
  libglib2.0-bin gsettings-desktop-schemas
  desktop-file-utils strace
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
