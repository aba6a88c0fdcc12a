#!/usr/bin/env bash
# Starts the program in a real X window (a virtual X server), checks that the
# main window comes up with its pages and panels, saves a picture of it and
# lets it close itself. A second run, with the simulated logger plugged in,
# downloads its logs and presses the arrange button through cascade and both
# tilings; every chart window must lie inside the work area after each press,
# and a picture of each arrangement is saved beside the first one
# (NAME-arranged-1.png .. NAME-arranged-3.png).
# A run on a settings file that cannot be read leaves a picture of the box
# that tells it (NAME-defaults-box.png).
# Usage: xvfb-check.sh PROGRAM SCREENSHOT.png
set -euo pipefail
program=$1
screenshot=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

run() {
    HOME="$home" ZQ_SETTINGS_FILE="$home/settings.conf" QT_QPA_PLATFORM=xcb "$@" \
        timeout 90 xvfb-run -a -s "-screen 0 1920x1080x24" "$program" 2>"$home/stderr" || {
        cat "$home/stderr" >&2
        return 1
    }
}

out=$(run env ZQ_QUIT_AFTER_MS=1500 ZQ_SCREENSHOT="$screenshot")
echo "$out"
# The hint panel is at least 250 pixels wide, wider where a hint needs it.
grep -Eq 'caption="ZORVAN Quillstone" pages="Quillstone\|Configurar\|Arquivos" panels="(2[5-9][0-9]|[3-9][0-9]{2}),100,160,50,50"' <<<"$out"
test -s "$screenshot"
echo "screenshot: $screenshot"

prefix=${screenshot%.png}

# A settings file that cannot be read: the failure is told in a Portuguese
# error box (its picture: NAME-box.png), and the window goes on with the
# defaults.
rm -f "$prefix-box.png"
mkdir -p "$home/settings-folder"
out=$(run env ZQ_SETTINGS_FILE="$home/settings-folder" ZQ_QUIT_AFTER_MS=1500 ZQ_SCREENSHOT="$prefix-defaults.png")
echo "$out"
grep -q 'box: icon=3 buttons="OK" text="Erro ao ler o arquivo de configurações' <<<"$out"
grep -q 'main window: caption="ZORVAN Quillstone"' <<<"$out"
test -s "$prefix-defaults-box.png"
echo "screenshot: $prefix-defaults-box.png"

rm -f "$prefix"-arranged-*.png
out=$(run env ZQ_HID_BACKEND=sim ZQ_QUIT_AFTER_MS=1500 ZQ_TOUR_PICTURES="$prefix")
echo "$out"
grep -q 'tour: listed=3 opened=3' <<<"$out"
for press in 1 2 3; do
    grep -q "arranged $press: windows=3 inside=3" <<<"$out"
    test -s "$prefix-arranged-$press.png"
    echo "screenshot: $prefix-arranged-$press.png"
done
