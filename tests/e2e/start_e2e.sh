#!/bin/sh
# Starts the real program under a virtual X server: the main window comes up (a screenshot is kept in the
# artifacts folder), and a second start shows "Dorvane is already running." and ends without a window of its own.
set -eu
BIN=${DV_BIN_DIR:?}
ART=${DV_ARTIFACT_DIR:-/tmp}
mkdir -p "$ART"
if [ -z "${DV_IN_XVFB:-}" ]; then
  # Re-run inside a fresh virtual display.
  exec env DV_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x900x24" sh "$0"
fi

WORK=$(mktemp -d /tmp/dv-e2e-XXXXXX)
cleanup() {
  [ -n "${FIRST:-}" ] && kill "$FIRST" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/home" "$WORK/config" "$WORK/run"
chmod 700 "$WORK/run"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
unset QT_QPA_PLATFORM
SHOT="$ART/main-window.png"
rm -f "$SHOT"

"$BIN/dorvane" --screenshot "$SHOT" >"$WORK/first.log" 2>&1 &
FIRST=$!
xdotool search --sync --onlyvisible --name '^Dorvane$' >/dev/null
for i in $(seq 1 100); do [ -s "$SHOT" ] && break; sleep 0.1; done
[ -s "$SHOT" ] || { echo "no screenshot"; cat "$WORK/first.log"; exit 1; }
head -c 8 "$SHOT" | od -c | grep -q 'P   N   G' || { echo "screenshot is not a PNG"; exit 1; }

# The second start: its only window is the message box; pressing Enter ends it.
"$BIN/dorvane" >"$WORK/second.log" 2>&1 &
SECOND=$!
WIN=$(xdotool search --sync --onlyvisible --pid "$SECOND" 2>/dev/null | head -n 1)
[ -n "$WIN" ] || { echo "second start showed no window"; exit 1; }
xdotool getwindowname "$WIN" | grep -qx 'Dorvane' || { echo "unexpected window: $(xdotool getwindowname "$WIN")"; exit 1; }
xdotool windowfocus --sync "$WIN" key Return
STATUS=0
wait "$SECOND" || STATUS=$?
[ "$STATUS" -eq 0 ] || { echo "second start exited with $STATUS"; exit 1; }
# The first one is still running with its main window.
kill -0 "$FIRST" || { echo "the first start ended"; exit 1; }
echo "ok: screenshot in $SHOT"
