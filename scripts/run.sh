#!/bin/sh
# Installs, builds, makes the catalogue when it is missing, and starts Trelmo.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh trelmo trelmo-newdb
[ -e build/adomp3.mdb ] || build/trelmo-newdb build/adomp3.mdb
exec build/trelmo
