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
exit $failed
