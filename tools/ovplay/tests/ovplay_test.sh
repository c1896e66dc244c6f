#!/bin/sh
# ovplay end to end: builds a small module with ovrc, plays it with mouse
# states and checks the frames it writes.
set -eu
ovrc=$1
ovplay=$2
src=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }

"$ovrc" build "$src" -o "$work/OvantisRes.dll"
"$ovplay" --module "$work/OvantisRes.dll" --topic 200 --ticks 6 --every 2 --size 320x240 \
  --mouse 1:150,150,0 --mouse 3:150,150,1 --png-dir "$work/frames"

[ "$(ls "$work/frames" | tr '\n' ' ')" = "frame-0002.png frame-0004.png frame-0006.png " ] ||
  fail "frames written: $(ls "$work/frames")"
[ "$(identify -format %wx%h "$work/frames/frame-0002.png")" = 320x240 ] || fail "frame size"
# Tick 2: the page. Tick 3: the press arms the trigger; tick 4: it draws;
# tick 5: its area is given back to the page.
[ "$(pixel "$work/frames/frame-0002.png" 150 150)" = 336699 ] || fail "page at tick 2"
[ "$(pixel "$work/frames/frame-0002.png" 319 239)" = 336699 ] || fail "page corner at tick 2"
[ "$(pixel "$work/frames/frame-0004.png" 150 150)" = FF0000 ] || fail "square at tick 4"
[ "$(pixel "$work/frames/frame-0004.png" 119 150)" = 336699 ] || fail "left of the square at tick 4"
[ "$(pixel "$work/frames/frame-0004.png" 180 180)" = 336699 ] || fail "past the square's corner at tick 4"
[ "$(pixel "$work/frames/frame-0006.png" 150 150)" = 336699 ] || fail "square repainted by tick 6"

# Failures exit non-zero with a message.
if "$ovplay" --module "$work/OvantisRes.dll" --topic 201 --ticks 1 --png-dir "$work/none" 2>"$work/err"; then
  fail "a missing topic was played"
fi
grep -q "cannot open topic 201" "$work/err" || fail "message for a missing topic: $(cat "$work/err")"
if "$ovplay" --module "$work/missing.dll" --topic 200 --ticks 1 --png-dir "$work/none" 2>/dev/null; then
  fail "a missing module was played"
fi
if "$ovplay" --module "$work/OvantisRes.dll" --topic 200 --ticks 1 --mouse bad --png-dir "$work/none" 2>/dev/null; then
  fail "a malformed mouse state was taken"
fi
# The dump prints the topic and its scripts in the source notation.
"$ovplay" --module "$work/OvantisRes.dll" --topic 200 --dump > "$work/dump"
grep -q "^  trigger MouseDown script=2 rect=100,100,200,200$" "$work/dump" || fail "dump: $(cat "$work/dump")"
grep -q "^  RectFill rect=120,120,180,180 colour=#ff0000$" "$work/dump" || fail "dump: $(cat "$work/dump")"
echo "ovplay: all checks passed"
