#!/bin/sh
# Configures and builds Trelmo into build/: everything, or the targets named.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
    for target in "$@"; do cmake --build build --target "$target"; done
else
    cmake --build build
fi
