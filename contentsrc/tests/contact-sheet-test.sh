#!/bin/sh
# scripts/contact-sheet on a small module of its own: a routine with six
# frames, one with two, a still reading topic and one that cannot play.
# The sheet must name exactly the two bad topics, still draw the others,
# and pass once they are gone.
set -eu
sheet=$1
bin=$2
palette=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Routine ID with N frames: a square whose colour changes every tick.
routine() {
  printf 'topic %s\n  code "R%s"\n  trigger Continuous script=%s\nend\nscript %s\n' "$1" "$1" "$1" "$1"
  i=0
  for c in ff0000 00ff00 0000ff ffff00 00ffff ff00ff; do
    [ $i -lt "$2" ] || break
    printf '  RectFill rect=0,0,620,440 colour=#ffffff\n  RectFill rect=%d,20,%d,60 colour=#%s\n  NOP\n' \
      $((20 + 50 * i)) $((60 + 50 * i)) "$c"
    i=$((i + 1))
  done
  printf '  Cycle count=0\nend\n'
}

module() { # $1: with the bad topics (1) or without (0)
  rm -rf "$work/src"
  mkdir -p "$work/src"
  cp "$palette" "$work/src/palette.bmp"
  {
    routine 200 6
    [ "$1" = 0 ] || routine 201 2
    printf 'topic 300\n  flags 1\n  trigger Background script=3000\nend\n'
    printf 'script 3000\n  RectFill rect=0,0,620,440 colour=#ffffcc\n  RectFill rect=20,20,80,80 colour=#336699\nend\n'
    if [ "$1" = 1 ]; then
      printf 'option checks=off\ntopic 301\n  trigger Background script=3999\nend\n'
      names='"Six" "Two"' topics='"Still" "Broken"'
    else
      names='"Six"' topics='"Still"'
    fi
    for id in 200 201 202; do printf 'strlist %s\n' $id; for n in $names; do printf '  %s\n' "$n"; done; echo end; done
    for id in 300 301 302; do printf 'strlist %s\n' $id; for n in $topics; do printf '  %s\n' "$n"; done; echo end; done
    printf 'strlist 400\n  ""\n  ""\nend\nstrlist 401\n  ""\n  ""\nend\n'
    printf 'sequence 200\n  routine 200\nend\nbitmap 253 file=palette.bmp\n'
  } > "$work/src/mini.ovs"
  "$bin/ovrc" build "$work/src" -o "$work/$2" || fail "module $2 does not build"
}

module 1 bad/OvantisRes.dll
if CONTACT_ROUTINE_TICKS=24 CONTACT_PAGE_TICKS=4 "$sheet" --bin "$bin" "$work/bad/OvantisRes.dll" "$work/out" \
    > "$work/log" 2> "$work/err"; then
  fail "a library with bad topics passed"
fi
grep -q "routine 201 Two has 2 distinct frames in 1 s, fewer than 6" "$work/err" || fail "two frames: $(cat "$work/err")"
grep -q "topic 301 Broken does not render" "$work/err" || fail "broken topic: $(cat "$work/err")"
[ "$(wc -l < "$work/err")" = 2 ] || fail "only the two bad topics: $(cat "$work/err")"
# The good topics are still drawn: six distinct frames saved for 200 (the
# blank first tick not among them), a sheet per topic and the overview.
[ "$(ls "$work/out/frames/200" | wc -l)" = 6 ] || fail "frames of 200: $(ls "$work/out/frames/200")"
for f in topic-200.png topic-201.png topic-300.png topic-301.png overview.png; do
  identify "$work/out/$f" > /dev/null || fail "$f is not a picture"
done

module 0 good/OvantisRes.dll
CONTACT_ROUTINE_TICKS=24 CONTACT_PAGE_TICKS=4 "$sheet" --bin "$bin" "$work/good/OvantisRes.dll" "$work/out" \
  > "$work/log" 2> "$work/err" || fail "a good library failed: $(cat "$work/err")"
grep -q "2 topics" "$work/log" || fail "summary: $(cat "$work/log")"
echo "contact sheet: ok"
