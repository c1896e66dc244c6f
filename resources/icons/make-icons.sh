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

# 142-146: the controller's tray icon, drawn at every size a tray asks for
# (16, 22, 24, 32 and 48 pixels) from a drawing eight times as large, so
# thin lines stay whole. 142 is the resting figure on green; while a
# reminder flashes, 143-146 warm the disc towards orange and raise the
# figure's arms, one step a frame, up to a full stretch. A dark rim keeps
# the disc apart from light panels, the bright disc from dark ones.
tray() { # $1 id, $2 disc, $3 rim, $4 arm angle in degrees above horizontal
  local id=$1 disc=$2 rim=$3 angle=$4 n=$(( 64 * 8 )) size
  local c=$(( n / 2 )) r=$(( n / 2 - n / 32 ))
  local sx=$c sy=$(( n * 40 / 100 ))     # shoulders
  local hy=$(( n * 62 / 100 ))           # hips
  local arm=$(( n * 28 / 100 ))
  local dx dy
  dx=$(awk "BEGIN{printf \"%d\", $arm * cos($angle * 3.14159265 / 180)}")
  dy=$(awk "BEGIN{printf \"%d\", $arm * sin($angle * 3.14159265 / 180)}")
  convert -size "${n}x${n}" xc:none \
    -fill "$disc" -stroke "$rim" -strokewidth $(( n / 16 )) -draw "circle $c,$c $c,$(( c - r ))" \
    -stroke white -strokewidth $(( n / 9 )) -fill none \
    -draw "line $sx,$sy $sx,$hy" \
    -draw "line $(( sx - dx )),$(( sy - dy )) $sx,$sy" -draw "line $sx,$sy $(( sx + dx )),$(( sy - dy ))" \
    -draw "line $(( c - n * 15 / 100 )),$(( n * 84 / 100 )) $c,$hy" \
    -draw "line $c,$hy $(( c + n * 15 / 100 )),$(( n * 84 / 100 ))" \
    -stroke white -strokewidth 1 -fill white \
    -draw "circle $(( sx - dx )),$(( sy - dy )) $(( sx - dx + n / 18 )),$(( sy - dy ))" \
    -draw "circle $(( sx + dx )),$(( sy - dy )) $(( sx + dx + n / 18 )),$(( sy - dy ))" \
    -stroke none -fill white -draw "circle $c,$(( n * 24 / 100 )) $c,$(( n * 24 / 100 - n * 9 / 100 ))" \
    "tray-$id-large.png"
  for size in 16 22 24 32 48; do
    convert "tray-$id-large.png" -filter Triangle -resize "${size}x${size}" -strip "icon-$id-$size.png"
  done
  cp "icon-$id-48.png" "icon-$id.png"
  rm "tray-$id-large.png"
}
tray 142 '#2e8b57' '#123a24' -55
tray 143 '#b0901a' '#4a3a05' -20
tray 144 '#cf7d12' '#4f2c02' 10
tray 145 '#e3640d' '#552002' 40
tray 146 '#f04a0a' '#5a1600' 62
