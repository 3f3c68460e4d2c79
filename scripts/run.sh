#!/usr/bin/env bash
# Sets everything up, builds, and runs the installer under Wine in a throwaway
# prefix: on your display when there is one, for you to use. Without a
# display it demonstrates a quick installation on a private Xvfb display,
# prints what was installed and saves screenshots of pages 4 and 5 to out/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" installer
exe="$root/build-win${TW_BUILD_SUFFIX:-}/InstallKorvane6.52a.exe"

export WINEPREFIX=$(mktemp -d /tmp/korvane-wine.XXXXXX)
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
echo "run: preparing a Wine prefix in $WINEPREFIX"
wineboot -i >/dev/null 2>&1

if [ -n "${DISPLAY:-}" ]; then
  echo "run: starting the installer on $DISPLAY"
  wine "$exe"
  exit 0
fi

# The prefix's server and desktop were started without a display: start
# them again on the private one.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# A free display number, chosen by Xvfb itself.
fifo=$(mktemp -u /tmp/korvane-display.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display_number <"$fifo" || { echo "run: Xvfb did not start" >&2; exit 1; }
rm -f "$fifo"
export DISPLAY=":$display_number"
echo "run: no display; a quick installation driven through the wizard on a private Xvfb display"
# The demonstration program works the wizard with the project's GUI driver
# (Next, Next, Install, Next), then reports what was installed.
out="$root/out"
mkdir -p "$out"
demo="$root/build-win${TW_BUILD_SUFFIX:-}/tests/engine/quick_install_demo.exe"
wine "$demo" "$(winepath -w "$exe")" "$(winepath -w "$out")"
for shot in page4-installed page5-complete; do
  if [ -f "$out/$shot.bmp" ]; then
    convert "$out/$shot.bmp" "$out/$shot.png" && rm -f "$out/$shot.bmp"
    echo "run: screenshot saved to $out/$shot.png"
  fi
done
