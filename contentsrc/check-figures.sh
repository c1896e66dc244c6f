#!/bin/sh
# check-figures.sh SOURCES_DIR
# Stops the content build when a figure source is missing: a stand-in
# figures/NAME.ovs without figures/NAME.fig would ship a still picture in
# place of the animation, and a source that names a figure file (NAME.fig,
# in a comment or otherwise) that is not in figures/ is out of date. Each
# message names the file, and the line where there is one.
set -u
src=${1:?usage: check-figures.sh SOURCES_DIR}
status=0
for standin in "$src"/figures/*.ovs; do
  [ -e "$standin" ] || continue
  name=$(basename "$standin" .ovs)
  if [ ! -f "$src/figures/$name.fig" ]; then
    echo "$standin: stand-in for figures/$name.fig, which is missing" >&2
    status=1
  fi
done
# file:line:name.fig for every figure file a source names.
refs=$(find "$src" -name '*.ovs' -type f | LC_ALL=C sort | while read -r f; do
  grep -noE '[A-Za-z0-9_./-]*[A-Za-z0-9_-]\.fig\b' "$f" | sed "s|^|$f:|"
done)
if [ -n "$refs" ]; then
  while IFS= read -r ref; do
    where=${ref%:*}
    name=$(basename "${ref##*:}")
    if [ ! -f "$src/figures/$name" ]; then
      echo "$where: figure source figures/$name is missing" >&2
      status=1
    fi
  done <<REFS
$refs
REFS
fi
exit $status
