#!/usr/bin/env bash
# Draws the program's pictures next to this script: the main window's 544 x 445 background
# (also written as a C++ array into app/) and the 128 x 128 desktop icon, a horseshoe magnet.
# Needs ImageMagick; run it again only to change a picture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert -size 544x445 gradient:'#1d3b5a-#0b1626' \( -size 544x445 radial-gradient:'#3f7fae-none' \) \
  -compose over -composite \
  \( -size 544x445 xc:none -fill '#ffffff18' -draw "circle 470,60 470,150" -draw "circle 80,400 80,470" \
     -fill '#ffffff10' -draw "rectangle 0,108 544,112" \) -compose over -composite \
  -quality 82 -sampling-factor 4:2:0 -strip "$here/background.jpg"
{
  echo "// Written by app/resources/make_pictures.sh from background.jpg; do not edit."
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

clang-format -i "$here/../background_picture.cpp"

convert -size 128x128 xc:none -fill '#1d3b5a' -draw "roundrectangle 4,4 123,123 22,22" \
  -fill none -stroke '#e8eef5' -strokewidth 14 -draw "arc 30,26 98,94 180,360" \
  -draw "line 30,60 30,92" -draw "line 98,60 98,92" \
  -stroke none -fill '#d9534f' -draw "rectangle 23,88 37,106" -draw "rectangle 91,88 105,106" \
  -depth 8 -strip "$here/quillmar.png"
