#!/usr/bin/env bash
# Draws the programs' own icons with ImageMagick; the PNGs are kept in the
# tree, so this runs only when a picture changes.
set -euo pipefail
cd "$(dirname "$0")"
figure() { # $1 size, $2 background, $3 file
  local s=$1 c=$(( $1 / 2 ))
  convert -size "${s}x${s}" xc:none \
    -fill "$2" -draw "circle $c,$c $c,1" \
    -stroke white -strokewidth $(( s / 12 + 1 )) -fill none \
    -draw "line $c,$(( s * 40 / 100 )) $c,$(( s * 68 / 100 ))" \
    -draw "line $c,$(( s * 68 / 100 )) $(( s * 34 / 100 )),$(( s * 86 / 100 ))" \
    -draw "line $c,$(( s * 68 / 100 )) $(( s * 66 / 100 )),$(( s * 86 / 100 ))" \
    -draw "line $(( s * 24 / 100 )),$(( s * 22 / 100 )) $c,$(( s * 46 / 100 ))" \
    -draw "line $(( s * 76 / 100 )),$(( s * 22 / 100 )) $c,$(( s * 46 / 100 ))" \
    -stroke none -fill white -draw "circle $c,$(( s * 30 / 100 )) $c,$(( s * 30 / 100 - s / 11 ))" \
    "$3"
}
# 128: the viewer's program icon; 2: its page (document) icon.
figure 48 '#2e8b57' icon-128.png
figure 48 '#3a6ea5' icon-2.png
