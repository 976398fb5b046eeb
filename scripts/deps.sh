#!/usr/bin/env bash
# Installs the Debian packages Quillnest needs, but only those that are missing,
# so that a second run costs a second. Usage: scripts/deps.sh [build|test]
set -euo pipefail
want=${1:-build}

build_pkgs=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6svg6
  qt6-image-formats-plugins qt6-qpa-plugins libqt6dbus6
  libx11-dev libx11-xcb-dev libxcb1-dev libxext-dev libxfixes-dev libxtst-dev libxrandr-dev libxdamage-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-eng tesseract-ocr-rus
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-inter fonts-dejavu-core fonts-noto-color-emoji
)
# Movies (recorded and the onboarding's) go through FFmpeg alone. Sounds and the
# microphone use the PulseAudio code inside Qt Multimedia itself; only the camera
# goes through Qt 6.4's GStreamer backend, which takes the camera from the V4L2
# source and JPEG decoder (plugins-good) and converts and scales it (plugins-base).
media_pkgs=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
run_pkgs=(xdg-utils "${media_pkgs[@]}")
test_pkgs=(
  xvfb xauth openbox trayer xdotool xclip x11-utils x11-xserver-utils imagemagick
  python3 python3-pytest python3-xlib xserver-xorg-core xserver-xorg-video-dummy x11-xkb-utils
  xcompmgr sox pulseaudio pulseaudio-utils dbus dbus-x11 procps util-linux iproute2 ffmpeg clang-format "${media_pkgs[@]}"
)

pkgs=("${build_pkgs[@]}")
case "$want" in
  run) pkgs+=("${run_pkgs[@]}") ;;
  test) pkgs+=("${test_pkgs[@]}") ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
