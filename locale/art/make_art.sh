#!/usr/bin/env bash
# Draws the program's icons and tree glyphs with ImageMagick. The results are committed; run this
# again only to change the art.
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold

icon() {  # name colour glyph
  local name=$1 colour=$2 glyph=$3 sizes=""
  for s in 16 24 32 48; do
    local r=$((s / 6)) p=$((s * 11 / 20))
    convert -size ${s}x${s} xc:none -fill "$colour" -draw "roundrectangle 0,0,$((s - 1)),$((s - 1)),$r,$r" \
      -fill white -font $font -pointsize $p -gravity center -annotate 0 "$glyph" "/tmp/art-$name-$s.png"
    sizes="$sizes /tmp/art-$name-$s.png"
  done
  convert $sizes "$name.ico"
  rm -f $sizes
}

icon main '#1f6fb2' 'O'
icon entry '#6b7b8c' '•'
icon category '#6b7b8c' '?'
# Categories 0-14, in category order.
colours=('#1f6fb2' '#7a3fb0' '#2c8c5a' '#d9822b' '#1b9aaa' '#c0392b' '#34495e' '#8e6c3a' '#16a085' '#b03a78' '#2e86de' '#6d8b2f' '#9b59b6' '#e67e22' '#7f8c8d')
glyphs=('S' 'D' 'K' 'P' 'W' 'A' 'L' 'H' 'B' 'C' 'N' 'U' 'I' 'M' '+')
for i in $(seq 0 14); do icon "category$i" "${colours[$i]}" "${glyphs[$i]}"; done

# Tree glyphs: drawn by AND-ing, so white is transparent and dark pixels show.
convert -size 9x9 xc:white -fill none -stroke '#555555' -draw 'rectangle 0,0 8,8' -draw 'line 2,4 6,4' -draw 'line 4,2 4,6' -type TrueColor BMP3:collapsed.bmp
convert -size 9x9 xc:white -fill none -stroke '#555555' -draw 'rectangle 0,0 8,8' -draw 'line 2,4 6,4' -type TrueColor BMP3:expanded.bmp

# The help button's three states, 48 x 48 so they stay crisp when stretched down to 16 or 24 pixels.
# Pressed is darker and drawn one step lower and to the right, so the button seems pushed in.
help_button() {  # name fill rim offset
  local name=$1 fill=$2 rim=$3 o=$4
  local c=$((22 + o))
  # The rim leaves two pixels free on every side, so the offset circle is never clipped.
  convert -size 48x48 xc:none \
    -fill "$rim" -draw "circle $c.5,$c.5 $c.5,$((c - 21)).5" \
    -fill "$fill" -draw "circle $c.5,$c.5 $c.5,$((c - 19)).5" \
    -fill white -font $font -pointsize 28 -gravity center -annotate +$((o - 1))+$o '?' \
    -strip "PNG32:help_$name.png"
}
help_button normal '#1f6fb2' '#17578c' 0
help_button hover '#3d95e0' '#2a78bd' 0
help_button pressed '#154c7a' '#0f3858' 2

# The status window: its own icon (168), the image of a status nobody recognises (188), and the
# header images beside its three lists (171-173), drawn at twice their 96-dpi size.
icon status '#2c8c5a' 'i'
icon status_unknown '#95a5a6' '-'
header() {  # name width height colour glyph
  local name=$1 w=$2 h=$3 colour=$4 glyph=$5
  convert -size ${w}x${h} xc:none -fill "$colour" \
    -draw "roundrectangle 4,4,$((w - 5)),$((h - 5)),14,14" \
    -fill white -font $font -pointsize $((h * 9 / 20)) -gravity center -annotate 0 "$glyph" \
    -strip "PNG32:status_$name.png"
}
header hardware 100 80 '#2c8c5a' 'HW'
header settings 100 80 '#1f6fb2' 'ON'
header connections 80 90 '#1b9aaa' '((•))'

# Icons 155, 157 and 160 are also the status types 3, 1 and 2 of the status window, which draws them
# at 16 (24 at 144 dpi) pixels while the tree draws categories at 32 (48): the small images show the
# status, the large ones the category.
status_icon() {  # category colour glyph status-colour status-glyph
  local n=$1 colour=$2 glyph=$3 scolour=$4 sglyph=$5 sizes=""
  for s in 16 24; do
    convert -size ${s}x${s} xc:none -fill "$scolour" -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),1" \
      -fill white -font $font -pointsize $((s * 3 / 4)) -gravity center -annotate 0 "$sglyph" "/tmp/art-s$n-$s.png"
    sizes="$sizes /tmp/art-s$n-$s.png"
  done
  for s in 32 48; do
    local r=$((s / 6)) p=$((s * 11 / 20))
    convert -size ${s}x${s} xc:none -fill "$colour" -draw "roundrectangle 0,0,$((s - 1)),$((s - 1)),$r,$r" \
      -fill white -font $font -pointsize $p -gravity center -annotate 0 "$glyph" "/tmp/art-s$n-$s.png"
    sizes="$sizes /tmp/art-s$n-$s.png"
  done
  convert $sizes "category$n.ico"
  rm -f $sizes
}
status_icon 9 "${colours[9]}" "${glyphs[9]}" '#2e86de' 'i'
status_icon 11 "${colours[11]}" "${glyphs[11]}" '#2c8c5a' '✓'
status_icon 14 "${colours[14]}" "${glyphs[14]}" '#d9822b' '!'
