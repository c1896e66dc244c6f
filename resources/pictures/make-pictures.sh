#!/usr/bin/env bash
# Draws the programs' own pictures with ImageMagick, in the style of the
# icons (green disc, white figure); the PNGs are kept in the tree, so this
# runs only when a picture changes. Pictures drawn over a page keep a white
# top-left pixel: that colour is their transparent background.
set -euo pipefail
cd "$(dirname "$0")"
green='#2e8b57' blue='#3a6ea5' font=DejaVu-Sans font_bold=DejaVu-Sans-Bold

# The stretching figure on a disc of diameter $1 centred at $2,$3 in colour
# $4, as drawing arguments in the array fig.
figure() {
  local d=$1 x=$2 y=$3 c=$(( $1 / 2 ))
  local ox=$(( x - c )) oy=$(( y - c ))
  fig=(-fill "$4" -stroke none -draw "circle $x,$y $x,$(( oy + 1 ))" \
    -stroke white -strokewidth $(( d / 12 + 1 )) -fill none \
    -draw "line $x,$(( oy + d * 40 / 100 )) $x,$(( oy + d * 68 / 100 ))" \
    -draw "line $x,$(( oy + d * 68 / 100 )) $(( ox + d * 34 / 100 )),$(( oy + d * 86 / 100 ))" \
    -draw "line $x,$(( oy + d * 68 / 100 )) $(( ox + d * 66 / 100 )),$(( oy + d * 86 / 100 ))" \
    -draw "line $(( ox + d * 24 / 100 )),$(( oy + d * 22 / 100 )) $x,$(( oy + d * 46 / 100 ))" \
    -draw "line $(( ox + d * 76 / 100 )),$(( oy + d * 22 / 100 )) $x,$(( oy + d * 46 / 100 ))" \
    -stroke none -fill white -draw "circle $x,$(( oy + d * 30 / 100 )) $x,$(( oy + d * 30 / 100 - d / 11 ))")
}

# 153: the sheet's logo, 150 x 28, drawn below the pages.
figure 24 13 14 "$green"
convert -size 150x28 xc:white "${fig[@]}" \
  -font "$font_bold" -pointsize 15 -fill "$green" -stroke none -draw "text 30,20 'Ovantis'" \
  -depth 8 -type TrueColor bitmap-153.png

# 167-171: the tray area with the stretch icon; 167 still, 171/168/169/170
# the flashing frames from dark to bright.
tray() { # $1 file, $2 disc colour
  figure 18 72 14 "$2"
  convert -size 96x28 xc:'#d4d0c8' -fill '#808080' -draw "rectangle 0,0 95,0" \
    -fill '#ece9e2' -stroke '#9a9a9a' -draw "rectangle 4,3 91,24" -stroke none \
    -fill '#7a7a7a' -draw "rectangle 10,9 18,17" -fill '#a0a0a0' -draw "rectangle 24,9 32,17" \
    "${fig[@]}" -font "$font" -pointsize 9 -fill black -draw "text 40,18 '12:00'" \
    -depth 8 -type TrueColor "$1"
}
tray bitmap-167.png "$green"
tray bitmap-171.png '#1d5c39'
tray bitmap-168.png '#3fa86c'
tray bitmap-169.png '#6fcf97'
tray bitmap-170.png '#b7f0cf'

# 152 / 173: the reminder dialog, shown and not shown.
dialog() { # $1 file, $2 title colour, $3 face colour, $4 text colour
  convert -size 120x72 xc:white -fill "$3" -stroke '#6f6f6f' -draw "rectangle 0,0 119,71" -stroke none \
    -fill "$2" -draw "rectangle 1,1 118,12" \
    -font "$font" -pointsize 9 -fill "$4" -draw "text 8,32 'Do you have time'" -draw "text 8,43 'to stretch?'" \
    -fill "$3" -stroke "$4" -draw "rectangle 16,52 52,64" -draw "rectangle 66,52 102,64" -stroke none \
    -fill "$4" -draw "text 27,62 'Yes'" -draw "text 79,62 'No'" \
    -depth 8 -type TrueColor "$1"
}
dialog bitmap-152.png "$blue" '#ece9e2' black
dialog bitmap-173.png '#a8a8a8' '#e4e4e4' '#a8a8a8'

# 159: a keyboard, 290 x 127, with Ctrl, Alt and S marked.
keys=()
for row in 0 1 2 3; do
  for col in $(seq 0 13); do
    x=$(( 6 + col * 20 + row * 5 )) y=$(( 8 + row * 22 ))
    [ $(( x + 17 )) -lt 284 ] || continue
    keys+=(-draw "roundrectangle $x,$y $(( x + 17 )),$(( y + 18 )) 3,3")
  done
done
convert -size 290x127 xc:white -fill '#f4f4f4' -stroke '#404040' -strokewidth 1 \
  -draw "roundrectangle 1,1 288,120 8,8" "${keys[@]}" \
  -draw "roundrectangle 66,96 210,114 3,3" \
  -fill "$green" -draw "roundrectangle 6,96 34,114 3,3" -draw "roundrectangle 40,96 60,114 3,3" \
  -draw "roundrectangle 51,52 68,70 3,3" \
  -stroke none -fill white -font "$font_bold" -pointsize 9 \
  -draw "text 10,109 'Ctrl'" -draw "text 43,109 'Alt'" -draw "text 56,65 'S'" \
  -depth 8 -type TrueColor bitmap-159.png

# 160: an hourglass, 191 x 224.
convert -size 191x224 xc:white -fill '#8b5a2b' -stroke none \
  -draw "roundrectangle 35,8 156,24 4,4" -draw "roundrectangle 35,200 156,216 4,4" \
  -fill '#dfeff7' -stroke '#3a6ea5' -strokewidth 3 \
  -draw "polygon 48,24 143,24 101,112 143,200 48,200 90,112" \
  -stroke none -fill '#e0b050' -draw "polygon 66,58 125,58 98,104 93,104" \
  -draw "polygon 94,150 97,150 138,196 53,196" -draw "rectangle 94,104 97,196" \
  -depth 8 -type TrueColor bitmap-160.png

# 139: the clock face, 269 x 269, centred on (135, 135). The 48 marks sit
# on the ring of radius 92 and are drawn over it from 140; the band from
# 167 to 187 under the centre stays clear for the time text.
numerals=()
for n in $(seq 1 12); do
  read -r dx dy < <(awk -v n="$n" 'BEGIN { a = n * 3.14159265 / 6;
    printf "%+d %+d\n", 114 * sin(a), -114 * cos(a) }')
  numerals+=(-annotate "${dx}${dy}" "$n")
done
figure 40 135 126 "$green"
convert -size 269x269 xc:white \
  -fill "$green" -stroke none -draw "circle 135,135 135,3" \
  -fill '#f7f7f2' -draw "circle 135,135 135,9" \
  -fill none -stroke '#b8b8b0' -strokewidth 1 -draw "circle 135,135 135,43" \
  "${fig[@]}" \
  -gravity center -font "$font_bold" -pointsize 13 -fill '#404040' -stroke none "${numerals[@]}" \
  -gravity northwest -depth 8 -type TrueColor bitmap-139.png

# 140: the marks, six 13 x 13 images side by side: not set, set, the same
# under the mouse, the same with the button held; row 0 the hour marks
# (radius 6), row 1 the quarter marks (radius 4). 141: their masks, white
# where a mark is opaque.
mark() { # $1 column, $2 row, $3 radius, $4 fill, $5 outline
  local x=$(( $1 * 13 + 6 )) y=$(( $2 * 13 + 6 ))
  marks+=(-fill "$4" -stroke "$5" -draw "circle $x,$y $x,$(( y - $3 ))")
}
marks=()
for row in 0 1; do
  r=$(( row == 0 ? 6 : 4 ))
  mark 0 $row $r white '#7a7a7a'
  mark 1 $row $r "$green" '#1d5c39'
  mark 2 $row $r '#dbe8f5' "$blue"
  mark 3 $row $r '#3fa86c' "$blue"
  mark 4 $row $r '#a9c1dc' '#1f4f80'
  mark 5 $row $r '#1d5c39' '#0e2e1c'
done
convert -size 78x26 xc:white +antialias -strokewidth 1 "${marks[@]}" \
  -fill white -stroke none -draw "point 19,6" -draw "point 19,19" -draw "point 45,6" -draw "point 45,19" \
  -draw "point 71,6" -draw "point 71,19" \
  -depth 8 -type TrueColor bitmap-140.png
# The mask covers each circle with its outline: radius + 1 with no outline
# stroke would reach one pixel further, so it is drawn with the same stroke.
convert -size 13x26 xc:black +antialias -strokewidth 1 -fill white -stroke white \
  -draw "circle 6,6 6,0" -draw "circle 6,19 6,15" \
  -monochrome -type Bilevel bitmap-141.png
