#!/bin/sh
# The routines ovfig made for the shipped module, as the engine plays them:
# the figure is on the page in every frame from its first and moves through
# at least six pictures. Then: ovfig refuses a bad source naming file and
# line, and makes the same bytes from the same sources twice.
set -eu
ovfig=$1
ovplay=$2
module=$3
contentsrc=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }

# topic, ticks to play, a point on the figure's shirt that every pose keeps
check_routine() {
  "$ovplay" --module "$module" --topic "$1" --ticks "$2" --png-dir "$work/t$1" 2>/dev/null
  : > "$work/t$1.sums"
  for frame in "$work/t$1"/frame-*.png; do
    tick=$(basename "$frame" .png | sed 's/^frame-0*//')
    # Tick 1 draws the page; the figure's script runs from tick 2.
    [ "$tick" -ge 2 ] || continue
    [ "$(pixel "$frame" "$3" "$4")" = 3399CC ] || fail "topic $1: no figure at tick $tick"
    convert "$frame" -crop 160x200+20+80 +repage rgb:- | md5sum >> "$work/t$1.sums"
  done
  distinct=$(sort -u "$work/t$1.sums" | wc -l)
  [ "$distinct" -ge 6 ] || fail "topic $1 shows only $distinct different frames"
  echo "topic $1: $distinct different frames"
}
check_routine 200 110 100 242   # Neck Roll: one loop is 104 ticks
check_routine 201 70 100 244    # Shoulder Shrug: 64 ticks
check_routine 211 140 94 160    # Standing Calf Stretch, at the desk: 138 ticks

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
