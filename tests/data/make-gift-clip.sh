#!/bin/sh
# Makes gift-clip.mp4, the small alpha-packed H.264 clip the host tests play
# through the host's media source (kept in the repository so that the tests
# need no ffmpeg). 128x64, five frames: the left half is the mask (white in
# its left 32 columns, black elsewhere), the right half the colour picture
# (pure red in its left 32 columns, black elsewhere).
set -eu
cd "$(dirname "$0")"
ffmpeg -hide_banner -loglevel error -y -f lavfi \
  -i "color=c=black:s=128x64:r=10:d=0.5,drawbox=x=0:y=0:w=32:h=64:color=white:t=fill,drawbox=x=64:y=0:w=32:h=64:color=red:t=fill,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p" \
  -frames:v 5 -c:v libx264 -preset veryslow -crf 12 -tune stillimage \
  -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv \
  -movflags +faststart -an gift-clip.mp4
