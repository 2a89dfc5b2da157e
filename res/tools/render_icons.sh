#!/usr/bin/env bash
# Renders the launcher icon res/icons/ldx7320.svg into the PNG sizes desktops look for
# (res/icons/ldx7320-<size>.png, with transparency), to be committed: the build installs
# them as they are and needs no SVG renderer. Rerun after changing the SVG.
#
#   res/tools/render_icons.sh
# res/CMakeLists.txt installs every ldx7320-<size>.png it finds, so this list of sizes
# is the only one.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
icons="$here/../icons"
"$here/../../scripts/install-missing.sh" librsvg2-bin

for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "$icons/ldx7320-$size.png" "$icons/ldx7320.svg"
done
ls -l "$icons"/ldx7320-*.png
