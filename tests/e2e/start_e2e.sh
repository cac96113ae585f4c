#!/bin/sh
# Starts the real program under a virtual X server: the main window comes up with the program's icon (a screenshot
# is kept in the artifacts folder), and a second start brings the minimised first one back to the front, shows
# "Dorvane is already running." and ends without a window of its own. The progress program has the icon too.
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
  [ -n "${PROGRESS:-}" ] && kill "$PROGRESS" 2>/dev/null || true
  [ -n "${WM:-}" ] && kill "$WM" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/home" "$WORK/config" "$WORK/run"
chmod 700 "$WORK/run"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
unset QT_QPA_PLATFORM
SHOT="$ART/main-window.png"
rm -f "$SHOT"

# Minimising and activating are the window manager's business.
command -v openbox >/dev/null || { echo "openbox is missing: run scripts/install-deps"; exit 1; }
openbox --sm-disable >"$WORK/wm.log" 2>&1 &
WM=$!
# Ready once it manages windows: the client list comes after it names itself.
for i in $(seq 1 100); do xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q 'WINDOW' && break; sleep 0.1; done

"$BIN/dorvane" --screenshot "$SHOT" >"$WORK/first.log" 2>&1 &
FIRST=$!
MAIN=$(xdotool search --sync --onlyvisible --name '^Dorvane$' | head -n 1)
# The program's own icon (a Qt window without one has no _NET_WM_ICON at all).
xprop -id "$MAIN" _NET_WM_ICON | grep -q '_NET_WM_ICON(CARDINAL) = ' || { echo "main window has no icon"; exit 1; }
for i in $(seq 1 100); do [ -s "$SHOT" ] && break; sleep 0.1; done
[ -s "$SHOT" ] || { echo "no screenshot"; cat "$WORK/first.log"; exit 1; }
head -c 8 "$SHOT" | od -c | grep -q 'P   N   G' || { echo "screenshot is not a PNG"; exit 1; }

minimised() { xprop -id "$MAIN" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }
xdotool windowminimize --sync "$MAIN"
# The window manager sets the state in its own time; on a busy machine that can come after xdotool returns.
for i in $(seq 1 50); do minimised && break; sleep 0.1; done
minimised || { echo "the main window did not minimise"; exit 1; }

# The second start: the first comes back; the second's only window is the message box; pressing Enter ends it.
"$BIN/dorvane" >"$WORK/second.log" 2>&1 &
SECOND=$!
WIN=$(xdotool search --sync --onlyvisible --pid "$SECOND" 2>/dev/null | head -n 1)
[ -n "$WIN" ] || { echo "second start showed no window"; exit 1; }
xdotool getwindowname "$WIN" | grep -qx 'Dorvane' || { echo "unexpected window: $(xdotool getwindowname "$WIN")"; exit 1; }
for i in $(seq 1 150); do minimised || break; sleep 0.1; done
! minimised || { echo "the running window stayed minimised"; exit 1; }
xdotool windowfocus --sync "$WIN" key Return
STATUS=0
wait "$SECOND" || STATUS=$?
[ "$STATUS" -eq 0 ] || { echo "second start exited with $STATUS"; exit 1; }
# The first one is still running with its main window, which has the focus again once the message is gone.
kill -0 "$FIRST" || { echo "the first start ended"; exit 1; }
for i in $(seq 1 150); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$MAIN" ] && break; sleep 0.1; done
[ "$(xdotool getactivewindow 2>/dev/null)" = "$MAIN" ] || { echo "the running window is not active"; exit 1; }

# The progress program's window carries the icon as well.
"$BIN/VORizivuzuvi" --server "$WORK/run/progress" >"$WORK/progress.log" 2>&1 &
PROGRESS=$!
PWIN=$(xdotool search --sync --onlyvisible --pid "$PROGRESS" 2>/dev/null | head -n 1)
xprop -id "$PWIN" _NET_WM_ICON | grep -q '_NET_WM_ICON(CARDINAL) = ' || { echo "progress window has no icon"; exit 1; }
echo "ok: screenshot in $SHOT"
