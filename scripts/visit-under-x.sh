#!/usr/bin/env bash
# Runs the member visit by keyboard on a real X server (Xvfb with a window manager, so that
# closing a dialog hands the activation back as on a desktop) and prints its key count and
# the time from the last key to the screen ready, median of ten visits, in each scan mode.
# Usage: scripts/visit-under-x.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for tool in xvfb-run openbox; do
  command -v "$tool" >/dev/null || { echo "Needs $tool: apt-get install -y xvfb openbox" >&2; exit 1; }
done
QT_QPA_PLATFORM=xcb xvfb-run -a bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  "$0" memberVisitByKeyboard' "$build/tests/ui/tst_frmSaleBill" 2>&1 | grep -E "QINFO|FAIL|Totals"
