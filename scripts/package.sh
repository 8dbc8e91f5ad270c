#!/bin/sh
# Builds Trelmo's Debian package (build/trelmo_VERSION_ARCH.deb): install it with
#   sudo apt-get install ./build/trelmo_*.deb
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build && cpack -G DEB
