#!/bin/sh
# Makes the pictures of the default content with ImageMagick. The BMPs are
# committed; run this again only to change them. Every picture is an
# uncompressed 8-bit BMP whose colours come from the palette picture 253
# (a 6 x 6 x 6 colour cube plus 40 greys).
set -eu
cd "$(dirname "$0")"

n='(j*16+i)'
grey="(($n-216+1)/41)"
convert -size 16x16 xc: \
  -channel R -fx "$n<216 ? ($n%6)/5 : $grey" \
  -channel G -fx "$n<216 ? (floor($n/6)%6)/5 : $grey" \
  -channel B -fx "$n<216 ? floor($n/36)/5 : $grey" +channel \
  /tmp/ovantis-palette.png

# Pictures are drawn in any colours, then mapped onto the palette without
# dithering and written as 8-bit BMPs.
bmp() { convert "$@" +antialias +dither -remap /tmp/ovantis-palette.png -type Palette -compress None "BMP3:$out"; }

convert /tmp/ovantis-palette.png -type Palette -compress None BMP3:palette-253.bmp

# Background tile and title banner.
out=tile-1000.bmp bmp -size 40x40 xc:'#ffffcc' -fill '#ffff99' -draw 'rectangle 0,0 19,19' -draw 'rectangle 20,20 39,39'
out=banner-1001.bmp bmp -size 600x56 gradient:'#003366'-'#336699' -fill '#ffcc00' -draw 'rectangle 0,50 599,55'

# Stand-ins for the routines' figures (figures/*.ovs says why): a figure
# seen from the front, head, neck, shoulders, arms.
figure() { # $1 head x offset, $2 shoulder lift, $3 out
  hx=$((80 + $1)); sy=$((120 - $2))
  out=$3 bmp -size 160x200 xc:white -fill none -stroke '#336699' -strokewidth 3 \
    -draw "rectangle 1,1 158,198" -stroke '#003366' -strokewidth 6 \
    -draw "line 80,90 $hx,70" -draw "line 30,$sy 130,$sy" -draw "line 30,$sy 20,190" -draw "line 130,$sy 140,190" \
    -draw "line 80,$sy 80,190" -fill '#ffcc99' -stroke '#993300' -strokewidth 3 -draw "circle $hx,50 $hx,26"
}
figure 0 0 neck-centre-1011.bmp
figure 0 0 shrug-down-1020.bmp

# Reading topic pictures: a desk with a monitor, a chair with good posture.
out=desk-1030.bmp bmp -size 200x150 xc:white -fill '#996633' -draw 'rectangle 10,110 190,120' \
  -draw 'rectangle 20,120 30,149' -draw 'rectangle 170,120 180,149' -fill '#333333' -draw 'rectangle 60,30 140,95' \
  -fill '#66ccff' -draw 'rectangle 66,36 134,89' -fill '#333333' -draw 'rectangle 95,95 105,110'
out=posture-1031.bmp bmp -size 200x200 xc:white -fill '#663300' -draw 'rectangle 40,120 130,130' \
  -draw 'rectangle 40,40 50,130' -draw 'rectangle 120,130 128,195' -draw 'rectangle 42,130 50,195' \
  -stroke '#003366' -strokewidth 6 -draw 'line 70,60 70,120' -draw 'line 70,120 140,120' -draw 'line 140,120 140,190' \
  -draw 'line 70,75 120,95' -stroke '#993300' -strokewidth 3 -fill '#ffcc99' -draw 'circle 70,40 70,20'

# About box: a logo and two sparkle frames on a magenta key colour (the
# top-left pixel, made transparent when drawn).
out=logo-1040.bmp bmp -size 120x120 xc:'#336699' -fill '#ffcc00' -draw 'circle 60,60 60,20' \
  -fill '#003366' -draw 'rectangle 55,30 65,90' -draw 'rectangle 30,55 90,65'
out=sparkle-small-1041.bmp bmp -size 24x24 xc:'#ff00ff' -fill '#ffff00' -draw 'polygon 12,4 14,10 20,12 14,14 12,20 10,14 4,12 10,10'
out=sparkle-large-1042.bmp bmp -size 24x24 xc:'#ff00ff' -fill '#ffffff' -draw 'polygon 12,0 15,9 24,12 15,15 12,24 9,15 0,12 9,9'

# Tip marker for the mouse-over areas.
out=tip-1050.bmp bmp -size 32x32 xc:'#ff00ff' -fill '#ffcc00' -stroke '#993300' -draw 'circle 16,14 16,3' \
  -fill '#999999' -draw 'rectangle 11,25 21,30'

# Reading topics 302 on (topics-302.ovs): pictures id topic x 10 + n.
# Keyboard and mouse, seen from above: the desk, the screen at the back,
# keyboard and mouse close in front of the user, the arc of easy reach.
out=reach-3040.bmp bmp -size 180x170 xc:white -fill '#cc9966' -draw 'rectangle 0,0 179,122' \
  -fill none -stroke '#339933' -strokewidth 2 -draw 'ellipse 90,150 82,82 200,340' -stroke none \
  -fill '#333333' -draw 'rectangle 50,10 130,22' -draw 'rectangle 86,22 94,30' \
  -fill '#666666' -draw 'rectangle 45,80 125,106' -fill '#cccccc' \
  -draw 'rectangle 49,84 121,88' -draw 'rectangle 49,91 121,95' -draw 'rectangle 49,98 121,102' \
  -fill '#eeeeee' -stroke '#666666' -strokewidth 1 -draw 'ellipse 143,95 8,12 0,360' -stroke none \
  -stroke '#ffcc99' -strokewidth 9 -draw 'line 55,142 70,108' -draw 'line 125,142 140,108' -stroke none \
  -fill '#336699' -draw 'ellipse 90,152 52,15 0,360' -fill '#663300' -draw 'circle 90,146 90,130'
# Light and glare: a room seen from above, the window in the left wall, the
# desk and screen side-on to it, a lamp at the side.
out=room-3050.bmp bmp -size 180x170 xc:'#eeeeee' -fill none -stroke '#333333' -strokewidth 4 \
  -draw 'rectangle 2,2 177,167' -stroke '#66ccff' -strokewidth 6 -draw 'line 2,35 2,125' -stroke '#ffcc00' -strokewidth 2 \
  -draw 'line 12,50 48,50' -draw 'line 12,80 48,80' -draw 'line 12,110 48,110' \
  -draw 'polyline 40,44 48,50 40,56' -draw 'polyline 40,74 48,80 40,86' -draw 'polyline 40,104 48,110 40,116' -stroke none \
  -fill '#cc9966' -draw 'rectangle 70,40 160,82' -fill '#333333' -draw 'rectangle 95,46 135,52' \
  -fill '#666666' -draw 'rectangle 98,66 132,76' -fill '#ffff66' -stroke '#996633' -strokewidth 1 -draw 'circle 152,50 152,44' -stroke none \
  -fill '#336699' -draw 'ellipse 115,104 26,9 0,360' -fill '#663300' -draw 'circle 115,98 115,88'
# Micro-breaks: a clock face whose first half hour is marked; the topic
# draws the minute hand going round.
out=clock-3060.bmp bmp -size 140x140 xc:white -fill '#ccffcc' -stroke none -draw 'path "M 70,70 L 70,16 A 54,54 0 0,1 116.8,97 Z"' \
  -fill none -stroke '#003366' -strokewidth 6 -draw 'circle 70,70 70,13' -stroke '#003366' -strokewidth 3 \
  -draw 'line 70,18 70,28' -draw 'line 122,70 112,70' -draw 'line 70,122 70,112' -draw 'line 18,70 28,70' \
  -strokewidth 2 -draw 'line 96,25 93,30' -draw 'line 115,44 110,47' -draw 'line 115,96 110,93' -draw 'line 96,115 93,110' \
  -draw 'line 44,115 47,110' -draw 'line 25,96 30,93' -draw 'line 25,44 30,47' -draw 'line 44,25 47,30' \
  -stroke '#333333' -strokewidth 5 -draw 'line 70,70 88,52'
# The 20-20-20 habit: the view through a window, a tree far off.
out=window-3070.bmp bmp -size 180x130 xc:'#99ccff' -fill '#66cc66' -draw 'ellipse 60,130 110,45 180,360' \
  -fill '#339933' -draw 'ellipse 150,135 80,40 180,360' -fill '#996633' -draw 'rectangle 128,76 132,96' \
  -fill '#336633' -draw 'circle 130,70 130,58' -fill '#ffffcc' -draw 'circle 34,28 34,16' \
  -fill none -stroke '#ffffff' -strokewidth 8 -draw 'rectangle 4,4 175,125' -draw 'line 90,4 90,125'
# Blinking: an eye open and closed, shown in turn.
out=eye-open-3110.bmp bmp -size 140x70 xc:white -fill '#ffffff' -stroke '#663300' -strokewidth 3 \
  -draw 'path "M 10,35 Q 70,-5 130,35 Q 70,75 10,35 Z"' -stroke none -fill '#3366cc' -draw 'circle 70,35 70,15' \
  -fill '#000000' -draw 'circle 70,35 70,26' -fill '#ffffff' -draw 'circle 76,29 76,26'
out=eye-closed-3111.bmp bmp -size 140x70 xc:white -fill none -stroke '#663300' -strokewidth 3 \
  -draw 'path "M 10,35 Q 70,60 130,35"' -strokewidth 2 -draw 'line 40,44 34,54' -draw 'line 70,48 70,59' -draw 'line 100,44 106,54'

rm -f /tmp/ovantis-palette.png
