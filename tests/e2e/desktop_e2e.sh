#!/usr/bin/env bash
# The program in a real X server: Xvfb with the openbox window manager, driven by
# xdotool. Opens every built tool from the menu, converts through two windows (TGA/PCX
# and colour depth, their dialogs answered from the keyboard), checks the files written
# and that closing the menu ends the program. Exit 77: skipped (a tool is missing).
# Usage: desktop_e2e.sh APP_DIR SOURCE_DIR
set -u
APP_DIR=$1
SRC_DIR=$2
for tool in Xvfb xdotool openbox xprop xwininfo python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
done

WORK=$(mktemp -d)
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
# On failure, E2E_SCREENSHOT=file.png keeps a picture of the screen.
fail() {
  echo "FAIL: $*"
  [ -n "${E2E_SCREENSHOT:-}" ] && import -window root "$E2E_SCREENSHOT" 2>/dev/null
  for id in $(xdotool search --onlyvisible --pid "${NALO:-0}" 2>/dev/null); do
    echo "  window $id: $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  [ -s "$WORK/nalo.log" ] && sed 's/^/  nalo: /' "$WORK/nalo.log" | tail -20
  exit 1
}
step() { echo "-- $*"; }

# Polls `cmd` every 0.1 s until it succeeds, at most $1 seconds (times E2E_TIME_SCALE,
# for slow builds such as the sanitizer's).
wait_for() {
  local limit=$(($1 * ${E2E_TIME_SCALE:-1})); shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# --- the X server and the window manager -------------------------------------------
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
exec 3>&-
wait_for 10 grep -q '[0-9]' "$WORK/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display")"
openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
PIDS+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 wm_running || fail "openbox did not start"

# --- the program's folder, settings and pictures ------------------------------------
cp -a "$APP_DIR" "$WORK/app"
export NALO_APP_DIR="$WORK/app"
# A runtime folder of its own: an instance running elsewhere does not hold this one's lock.
mkdir -m 700 "$WORK/run"
export XDG_RUNTIME_DIR="$WORK/run"
DATA="$WORK/data"; OUT="$WORK/out"
mkdir -p "$DATA" "$OUT"
python3 - "$DATA/pic.bmp" <<'PY'
import struct, sys
w, h = 24, 16
stride = (w * 3 + 3) & ~3
rows = b"".join(b"".join(bytes([x * 10, y * 15, 120]) for x in range(w)) + b"\0" * (stride - w * 3) for y in range(h))
head = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(head + info + rows)
PY
# The TGA/PCX converter starts at BMP-->TGA on the data folder, the colour-depth tool
# with its dialogs there.
cat >"$WORK/app/Nalo.ini" <<INI
[TGAPCX]
GETﾌｫﾙﾀﾞ=$DATA
種類= 4
[CDepth]
PIC_Getﾌｫﾙﾀﾞ=$DATA
PIC_Putﾌｫﾙﾀﾞ=$OUT
INI

# --- windows --------------------------------------------------------------------------
# Under AddressSanitizer: libxkbcommon-x11 strndup()s counted, unterminated names, which
# strict string checks take for an over-read in the system library.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0" "$WORK/app/nalo" >"$WORK/nalo.log" 2>&1 &
NALO=$!
PIDS+=($NALO)

# The visible window of the program titled exactly $1 (not $2), printed; fails if none.
find_window() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$NALO" 2>/dev/null); do
    [ "$id" != "${2:-}" ] && [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
window_gone() { ! xdotool getwindowname "$1" >/dev/null 2>&1 || ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
# Waits for the window titled $1 (not $2), at most ${3:-15} seconds, and prints its id.
await_window() {
  local end=$((SECONDS + ${3:-15})) id
  until id=$(find_window "$1" "${2:-}"); do
    [ "$SECONDS" -lt "$end" ] || { echo "FAIL: no window \"$1\"" >&2; return 1; }
    sleep 0.1
  done
  echo "$id"
}
# Clicks client point x y of window $1 (raised first).
click() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowraise "$1"
  xdotool mousemove --window "$1" --sync "$2" "$3" click 1
}
# Answers the file or folder dialog $1 with the path $2 typed into its name field.
answer_dialog() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 4 "$2"
  local tries
  for tries in 1 2 3; do
    xdotool key --clearmodifiers Return
    wait_for 3 window_gone "$1" && return 0
  done
  echo "FAIL: dialog $1 still open" >&2
  return 1
}

# The menu: the first "Nalo" window may be a short-lived one of start-up; the menu is
# the one still there a moment later.
menu_settled() {
  local a b
  a=$(find_window "Nalo") && sleep 0.3 && b=$(find_window "Nalo") && [ "$a" = "$b" ] && MENU=$a
}
# Answers the program's message box (titled "Nalo" like the menu) with its default button.
dismiss_message() {
  local box
  box=$(await_window "Nalo" "$MENU") || return 1
  xdotool windowactivate --sync "$box" >/dev/null 2>&1
  xdotool key --clearmodifiers Return
  wait_for 5 window_gone "$box"
}
MENU=
wait_for 15 menu_settled || fail "the menu did not appear"
step "menu $MENU"

# Menu buttons: index, left, top, width (twips, 15 per pixel at 96 dpi), tool caption.
BUTTONS=(
  "7|240|360|3135|BMP  --> JPG"
  "5|3480|360|3135|AVI (256色) -->  ｱﾆﾒGIF"
  "0|240|960|3135|BMP、JPG  -->  AVI"
  "6|3480|960|3135|音楽CD  --> MP3、WAV"
  "1|240|1560|3135|AVI  -->  BMP"
  "8|3480|1560|3135|BMP、JPG、GIF  --> ICO"
  "4|240|2160|3135|ｱﾆﾒGIF  -->  BMP、GIF"
  "9|3480|2160|3135|BMP、JPG、GIF --> BMP(補正減色)"
  "10|240|2760|6375|TGA、PCX、BMP、GIF、JPG --> BMP、TGA、PCX"
)
declare -A TOOL
for b in "${BUTTONS[@]}"; do
  IFS='|' read -r index left top width caption <<<"$b"
  if grep -q "{$index, nullptr}" "$SRC_DIR/shell/ui/ToolRegistry.cpp"; then
    step "tool $index not built: skipped"
    continue
  fi
  # A click during the menu's opening animation may be lost; a second click on an
  # open tool only brings it to the front.
  for try in 1 2 3; do
    click "$MENU" $(((left + width / 2) / 15)) $(((top + 247) / 15))
    TOOL[$index]=$(await_window "$caption" "" 5 2>/dev/null) && break
  done
  [ -n "${TOOL[$index]}" ] || fail "button $index opened no window"
  step "tool $index: ${TOOL[$index]}"
done

# --- TGA/PCX converter: folder dialog, select all, convert -------------------------------
W=${TOOL[10]:?}
click "$W" 115 35                                  # Cmd_Folder
D=$(await_window "フォルダを選択してください") || fail "no folder dialog"
answer_dialog "$D" "$DATA" || fail "folder dialog"
click "$W" 62 338                                  # Cmd_AllSel
click "$W" 242 338                                 # Cmd_Henkan
dismiss_message || fail "no end-of-run message"
python3 - "$DATA/pic.tga" <<'PY' || fail "pic.tga is not a 24 x 16 true-colour TGA"
import struct, sys
b = open(sys.argv[1], "rb").read()
_, _, kind = b[0], b[1], b[2]
w, h, bits = struct.unpack("<HHB", b[12:17])
sys.exit(0 if kind == 2 and (w, h, bits) == (24, 16, 24) and len(b) >= 18 + 24 * 16 * 3 else 1)
PY
step "TGA written"

# --- colour depth: open dialog, 16 colours, convert, save dialog -------------------------
W=${TOOL[9]:?}
click "$W" 112 26                                  # cmdLoad
D=$(await_window "画像ﾌｧｲﾙを選択") || fail "no open dialog"
answer_dialog "$D" "$DATA/pic.bmp" || fail "open dialog"
click "$W" 440 $((50 + 24 + 21 + 10))              # optColourDepth_1 (16色)
click "$W" 469 325                                 # cmdConvert
dismiss_message || fail "no end-of-conversion message"
click "$W" 469 361                                 # cmdSave
D=$(await_window "ﾌｧｲﾙ名を付けて保存") || fail "no save dialog"
answer_dialog "$D" "$OUT/out.bmp" || fail "save dialog"
converted_written() { [ -s "$OUT/out.bmp" ]; }
wait_for 10 converted_written || fail "out.bmp not written"
python3 - "$OUT/out.bmp" <<'PY' || fail "out.bmp is not a 24 x 16 4-bit BMP"
import struct, sys
b = open(sys.argv[1], "rb").read()
w, h, planes, bits = struct.unpack("<iiHH", b[18:30])
sys.exit(0 if b[:2] == b"BM" and (w, h, bits) == (24, 16, 4) else 1)
PY
step "BMP written"

# --- closing the menu ends the program ------------------------------------------------
xdotool windowactivate --sync "$MENU" >/dev/null 2>&1
xdotool key --clearmodifiers alt+F4
exited() { ! kill -0 "$NALO" 2>/dev/null; }
wait_for 15 exited || fail "the program still runs after the menu closed"
wait "$NALO"; status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS"
