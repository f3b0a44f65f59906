#!/usr/bin/env bash
# Draws the setup program's welcome and finish page picture (164 x 314, 24-bit BMP as NSIS wants it)
# and its header picture (150 x 57) from the product icon. Run again after the icon changes:
#   bash installer/art/make_wizard_art.sh
set -euo pipefail
cd "$(dirname "$0")"
icon=../../panel/art/OstrelPanel.ico
# Image 5 of the icon file is the 256-pixel true-colour one.
convert -size 164x314 gradient:'#2f7fe0-#0a2f70' \
  \( "$icon[4]" -resize 112x112 \) -gravity north -geometry +0+44 -composite \
  -fill white -font DejaVu-Sans-Bold -pointsize 22 -gravity north -annotate +0+176 'Ostrel' \
  -fill '#cfe0fa' -font DejaVu-Sans -pointsize 11 -annotate +0+208 'Quor Corporation' \
  -type TrueColor BMP3:wizard.bmp
convert -size 150x57 xc:white \
  \( "$icon[5]" -resize 48x48 \) -gravity east -geometry +6+0 -composite \
  -type TrueColor BMP3:header.bmp
echo "wrote wizard.bmp and header.bmp"
