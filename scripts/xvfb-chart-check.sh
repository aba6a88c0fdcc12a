#!/usr/bin/env bash
# Opens a chart window with a generated log in a real X window (a virtual X
# server) and saves a picture of it for review, then three chart windows in
# each arrangement of the arrange button (NAME-arranged-1.png .. -3.png).
# Usage: xvfb-chart-check.sh APP_TESTS_BINARY SCREENSHOT.png
set -euo pipefail
tests=$1
screenshot=$2
rm -f "$screenshot" "${screenshot%.png}"-arranged-*.png
ZQ_CHART_SCREENSHOT="$screenshot" QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$tests" --gtest_filter='ChildWinWindowTest.*'
test -s "$screenshot"
echo "screenshot: $screenshot"
for press in 1 2 3; do
    test -s "${screenshot%.png}-arranged-$press.png"
    echo "screenshot: ${screenshot%.png}-arranged-$press.png"
done
