#!/bin/sh
# The content build's source checks on small hand-made sources: help items
# must lead to installed documents (ovrc build --docs), and every figure
# source that the sources name or stand in for must be there
# (check-figures.sh). Each failure must name the file and line.
set -eu
ovrc=$1
check_figures=$2
palette=$3
staged=$4   # the build's copy of contentsrc, as ovrc built it
bin=$5      # the build's bin/, with the module and the guide beside it
guide=$6    # docs/guide of the source tree
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A module that passes every other check; its help lists come from $1.
make_sources() {
  rm -rf "$work/src"
  mkdir -p "$work/src"
  cp "$palette" "$work/src/palette.bmp"
  cat > "$work/src/mini.ovs" <<'OVS'
topic 200
  code "REST"
  trigger Background script=1
end
topic 300
  trigger Background script=1
end
script 1
  RectFill rect=0,0,620,440 colour=#ffffcc
end
strlist 200
  "&Rest"
end
strlist 201
  "Rest"
end
strlist 202
  "Rest"
end
strlist 300
  "&About"
end
strlist 301
  "About"
end
strlist 302
  "About"
end
sequence 200
  routine 200
end
bitmap 253 file=palette.bmp
OVS
  printf '%s\n' "$1" > "$work/src/help.ovs"
}

docs=$work/docs
mkdir -p "$docs/guide"
: > "$docs/guide/index.html"

# Separators' targets and the two trailing entries are never read, so they
# may name anything; an address is not a document and is not looked for.
make_sources 'strlist 400
  "&Guide"
  "-"
  "On the &Web"
  "Unread"
  "Unread"
end
strlist 401
  "guide/index.html"
  "no/such/separator-target.html"
  "https://example.org/stretch"
  "guide/unread.html"
  "/nowhere/unread.html"
end'
"$ovrc" build "$work/src" -o "$work/ok.dll" --docs "$docs" || fail "good help targets refused"

# Line 10 of help.ovs is the fourth entry of list 401, the missing page;
# Windows-style separators are resolved the viewer's way.
make_sources 'strlist 400
  "&Guide"
  "&Tools"
  "&Old"
  ""
  ""
end
strlist 401
  "guide\\index.html"
  "guide/tools.html"
  "file:///nowhere/old.html"
  ""
  ""
end'
if "$ovrc" build "$work/src" -o "$work/bad.dll" --docs "$docs" 2> "$work/err"; then
  fail "a missing help document was accepted"
fi
grep -q "help.ovs:10: help target \"guide/tools.html\" is not among the installed documents in $docs" "$work/err" ||
  fail "message for guide/tools.html: $(cat "$work/err")"
grep -q "help.ovs:11: help target \"file:///nowhere/old.html\"" "$work/err" || fail "file address: $(cat "$work/err")"
[ "$(grep -c 'help target' "$work/err")" = 2 ] || fail "only the two missing targets: $(cat "$work/err")"
[ ! -e "$work/bad.dll" ] || fail "a refused module was written"
# Without --docs nothing is known of the documents: the same sources build.
"$ovrc" build "$work/src" -o "$work/nodocs.dll" || fail "build without --docs"
: > "$docs/guide/tools.html"
sed -i 's|file:///nowhere/old.html|file://'"$docs"'/guide/index.html|' "$work/src/help.ovs"
"$ovrc" build "$work/src" -o "$work/bad.dll" --docs "$docs" 2> "$work/err" ||
  fail "targets present, still refused: $(cat "$work/err")"

# Figures: a stand-in needs its source; a name in any source must exist.
fig=$work/fig
mkdir -p "$fig/figures"
: > "$fig/figures/reach.fig"
printf '# Stand-in for what ovfig makes of reach.fig.\n' > "$fig/figures/reach.ovs"
printf '# one\n# two: made by ovfig from figures/reach.fig\n' > "$fig/routines.ovs"
sh "$check_figures" "$fig" || fail "complete figures refused"
: > "$fig/figures/twist.ovs"
printf '\n\n# and from figures/bend.fig, also bend.fig\n' >> "$fig/routines.ovs"
if sh "$check_figures" "$fig" 2> "$work/err"; then
  fail "missing figure sources accepted"
fi
grep -qx "$fig/figures/twist.ovs: stand-in for figures/twist.fig, which is missing" "$work/err" ||
  fail "stand-in message: $(cat "$work/err")"
[ "$(grep -c "^$fig/routines.ovs:5: figure source figures/bend.fig is missing" "$work/err")" = 2 ] ||
  fail "reference message: $(cat "$work/err")"
[ "$(wc -l < "$work/err")" = 3 ] || fail "only the missing ones: $(cat "$work/err")"

# The shipped help items also lead somewhere for a viewer run from the build
# tree, which looks beside its module first.
"$ovrc" build "$staged" -o "$work/shipped.dll" --docs "$bin" || fail "help targets not beside the build's module"

# The guide's own links: every local page and every #fragment exists.
for page in "$guide"/*.html; do
  for href in $(grep -o 'href="[^"]*"' "$page" | sed 's/^href="//; s/"$//'); do
    case $href in http:* | https:* | mailto:*) continue ;; esac
    file=${href%%#*}
    [ -n "$file" ] || file=$(basename "$page")
    [ -f "$guide/$file" ] || fail "$page links to $href: no such page"
    case $href in
      *#*) grep -q "id=\"${href#*#}\"" "$guide/$file" || fail "$page links to $href: no such place" ;;
    esac
  done
done
echo "source checks: ok"
