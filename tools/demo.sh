#!/bin/sh
# Sets up a fresh Debian 12 machine as needed, builds, and runs the plugin's
# jobs on the built-in sample data, writing the results into out/.
set -eu
cd "$(dirname "$0")/.."
# The tools are switched on again should an install build have switched
# them off in build/.
tools/build.sh -DVELMORA_BUILD_TOOLS=ON
mkdir -p out
tools/with-xvfb.sh sh -c '
  set -e
  build/velmora-run info | tee out/info.txt
  build/velmora-run key tests/data/greenscreen-person.png out/keyed.png
  build/velmora-run key tests/data/greenscreen-person.png out/keyed-over-blue.png --background "#2050C0"
  build/velmora-run effect tests/data/matting-quadrants.png out/matting-effect.png \
    --text "float4 mainImage(VertData v_in) : TARGET { return image.Sample(textureSampler, v_in.uv).bgra; }" \
    --set expand_left=8 --set expand_top=8
  build/velmora-run convert tests/data/shaders/shadertoy-features.glsl --check \
    > out/converted-shader.txt
  build/velmora-run effect tests/data/greenscreen-person.png out/converted-shader.png \
    --text "$(cat out/converted-shader.txt)"
  build/velmora-run gift build/samples/gift-packed.png out/gift.png --set right=320 --background "#203040"
  VELMORA_CAMSINK_FILE=out/vcam.bgr \
    build/velmora-run vcam --seconds 2 --size 320x180 | tee out/vcam.txt
'
echo "demo: results in out/"
