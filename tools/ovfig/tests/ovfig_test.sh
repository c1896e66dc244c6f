#!/bin/sh
# The routines ovfig made for the shipped module, as the engine plays them:
# the figure is on the page in every frame from its first and moves through
# at least six pictures; a click replays one. Then: ovfig refuses a bad
# source naming file and line, and makes the same bytes from the same
# sources twice.
set -eu
ovfig=$1
ovplay=$2
module=$3
contentsrc=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }

# One signature per frame of DIR, of the figure's frame only, and the share
# of it that shows the figure's shirt (every pose shows some).
signatures() { convert $(ls "$1"/frame-*.png) -crop 160x200+20+80 +repage -format '%#\n' info:; }
shirt() {
  convert $(ls "$1"/frame-*.png) -crop 160x200+20+80 +repage -fill black +opaque '#3399CC' \
    -format '%[fx:mean>0.01]\n' info:
}

# Every routine of the module, as many as it holds: 180 ticks cover the
# longest loop, a small window the figure's frame. Tick 1 draws the page; the figure's script runs from tick 2.
routines=0
topic=200
while "$ovplay" --module "$module" --topic $topic --dump >/dev/null 2>&1; do
  "$ovplay" --module "$module" --topic $topic --ticks 180 --size 200x290 --png-dir "$work/t$topic" 2>/dev/null
  rm "$work/t$topic/frame-0001.png"
  shirt "$work/t$topic" | grep -q 0 && fail "topic $topic: the figure is missing from a frame"
  distinct=$(signatures "$work/t$topic" | sort -u | wc -l)
  [ "$distinct" -ge 6 ] || fail "topic $topic shows only $distinct different frames"
  echo "topic $topic: $distinct different frames"
  routines=$((routines + 1))
  topic=$((topic + 1))
done
[ "$routines" -ge 9 ] || fail "only $routines routines played"

# "Show me again": a click on the Chin Tuck's figure, halfway into its
# first loop (90 ticks), plays the movement once from its start in front
# of the loop, and then the loop is seen again where it has got to; the
# figure is there in every tick.
"$ovplay" --module "$module" --topic 214 --ticks 300 --size 200x290 --png-dir "$work/again" \
  --mouse 40:100,180,0 --mouse 42:100,180,1 --mouse 44:100,180,0 2>/dev/null
rm "$work/again/frame-0001.png"
shirt "$work/again" | grep -q 0 && fail "again: the figure is missing from a frame"
signatures "$work/t214" > "$work/loop"
signatures "$work/again" > "$work/clicked"
first=$(cmp "$work/loop" "$work/clicked" | sed -n 's/.* line \([0-9]*\)$/\1/p')
[ -n "$first" ] || fail "again: a click on the figure changed nothing"
[ "$first" -gt 40 ] && [ "$first" -le 48 ] || fail "again: the replay started at frame $first"
# The replay is the loop's first pass (frames 1-90, ticks 2-91) ...
sed -n 1,90p "$work/loop" > "$work/pass"
sed -n "${first},$((first + 89))p" "$work/clicked" | cmp -s - "$work/pass" ||
  fail "again: the replay is not the movement from its start"
# ... and after it the loop shows, as it runs on unclicked.
"$ovplay" --module "$module" --topic 214 --ticks 300 --size 200x290 --png-dir "$work/long" 2>/dev/null
rm "$work/long/frame-0001.png"
signatures "$work/long" | sed -n "$((first + 91)),299p" > "$work/after"
sed -n "$((first + 91)),299p" "$work/clicked" | cmp -s - "$work/after" || fail "again: the loop is not back after the replay"

cat > "$work/bad.fig" <<'FIG'
pictures 100
pose lift
  left-shoulder 40
  left-elbw 10
end
script 20 at=0,0
hold lift 500
FIG
if "$ovfig" --palette "$contentsrc/pictures/palette-253.bmp" -o "$work/bad" "$work/bad.fig" 2>"$work/err"; then
  fail "a source with an unknown joint was taken"
fi
grep -q "^ovfig: $work/bad.fig:4: unknown joint 'left-elbw'" "$work/err" || fail "message: $(cat "$work/err")"
[ ! -e "$work/bad" ] || fail "a refused source left output"

for run in one two; do
  "$ovfig" --palette "$contentsrc/pictures/palette-253.bmp" -o "$work/$run" "$contentsrc"/figures/*.fig >/dev/null
done
diff -r "$work/one" "$work/two" >/dev/null || fail "two runs made different files"
echo "ovfig: all checks passed"
