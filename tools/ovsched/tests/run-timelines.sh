#!/bin/sh
# run-timelines.sh OVSCHED MODULE DIR: runs every DIR/*.tl through ovsched
# (plain and sleeping, compared) and checks the printed actions against the
# file's "#> " lines. A "#! module" line runs the timeline with MODULE.
ovsched=$1 module=$2 dir=$3
failed=0
for tl in "$dir"/*.tl; do
  name=$(basename "$tl")
  set --
  if grep -q '^#! module' "$tl"; then set -- --module "$module"; fi
  expected=$(sed -n 's/^#> //p' "$tl")
  if ! actual=$("$ovsched" "$@" --compare "$tl"); then
    echo "FAIL $name: ovsched failed"; failed=1; continue
  fi
  if [ "$actual" != "$expected" ]; then
    echo "FAIL $name"
    printf '%s\n' "$expected" > "${TMPDIR:-/tmp}/expected.$$"
    printf '%s\n' "$actual" > "${TMPDIR:-/tmp}/actual.$$"
    diff -u "${TMPDIR:-/tmp}/expected.$$" "${TMPDIR:-/tmp}/actual.$$" | sed 's/^/  /'
    failed=1
  else
    echo "ok   $name"
  fi
done

# Malformed timelines: refused with the line at fault, nothing simulated.
bad=${TMPDIR:-/tmp}/bad.$$.tl
check_refused() { # LINE-NUMBER TEXT
  printf '%b' "$2" > "$bad"
  out=$("$ovsched" "$bad" 2>&1); rc=$?
  case "$rc:$out" in
    "2:"*"line $1:"*) echo "ok   refused: $out" ;;
    *) echo "FAIL not refused at line $1 (exit $rc): $out"; failed=1 ;;
  esac
}
check_refused 2 'at 0 start\nat 5 key -1\n'
check_refused 3 'at 0 start\nat 10 move\nat 5 end\n'
check_refused 1 'at 3 msg 14 "unterminated\n'
check_refused 2 '# set before the first at only\nat 0 stretch\n'
rm -f "$bad"
exit $failed
