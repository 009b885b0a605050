#!/usr/bin/env bash
# Draws the main window's 544 x 445 background and writes it, with its bytes as a C++ array,
# next to this script. Needs ImageMagick; run it again only to change the picture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert -size 544x445 gradient:'#1d3b5a-#0b1626' \( -size 544x445 radial-gradient:'#3f7fae-none' \) \
  -compose over -composite \
  \( -size 544x445 xc:none -fill '#ffffff18' -draw "circle 470,60 470,150" -draw "circle 80,400 80,470" \
     -fill '#ffffff10' -draw "rectangle 0,108 544,112" \) -compose over -composite \
  -quality 82 -sampling-factor 4:2:0 -strip "$here/background.jpg"
{
  echo "// Written by app/resources/make_background.sh from background.jpg; do not edit."
  echo "#include \"app/background_picture.h\""
  echo
  echo "namespace quillmar {"
  echo
  echo "namespace {"
  echo "const uint8_t kBytes[] = {"
  xxd -i < "$here/background.jpg"
  echo "};"
  echo "}  // namespace"
  echo
  echo "std::span<const uint8_t> BackgroundJpeg() { return kBytes; }"
  echo
  echo "}  // namespace quillmar"
} > "$here/../background_picture.cpp"
