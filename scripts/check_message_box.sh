#!/usr/bin/env bash
# Shows real message boxes over the program's main window on a virtual X
# display and answers them with xdotool (the tests never show one): checks
# that the box can be shown here (it needs the core X fonts of xfonts-base)
# and keeps a picture of each box. Run after a build:
#   scripts/check_message_box.sh [build folder, default build] [display, default :97]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=${2:-:97}
pictures=$(mktemp -d /tmp/vesk-message-boxes.XXXXXX)

if [ -e "/tmp/.X${display#:}-lock" ]; then
  echo "display $display is in use: name a free one" >&2
  exit 1
fi
Xvfb "$display" -screen 0 1280x720x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb"' EXIT
sleep 1
kill -0 "$xvfb" || { echo "Xvfb did not start on $display" >&2; exit 1; }

cd "$build/vesk"
DISPLAY=$display SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VESK_MESSAGE_BOX_PICTURES=$pictures \
  ../tests/vesk_tests --gtest_filter='MessageBoxOnADisplay.*'
echo "pictures of the boxes: $pictures"
