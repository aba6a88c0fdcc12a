#!/usr/bin/env bash
# Starts the program in a real X window (a virtual X server), checks that the
# main window comes up with its pages and panels, saves a picture of it and
# lets it close itself.  Usage: xvfb-check.sh PROGRAM SCREENSHOT.png
set -euo pipefail
program=$1
screenshot=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

out=$(HOME="$home" ZQ_SETTINGS_FILE="$home/settings.conf" QT_QPA_PLATFORM=xcb \
      ZQ_QUIT_AFTER_MS=1500 ZQ_SCREENSHOT="$screenshot" \
      timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" "$program" 2>"$home/stderr") || {
    cat "$home/stderr" >&2
    exit 1
}
echo "$out"
grep -q 'caption="ZORVAN Quillstone" pages="Quillstone|Configurar|Arquivos" panels="250,100,160,50,50"' <<<"$out"
test -s "$screenshot"
echo "screenshot: $screenshot"
