#!/bin/sh
# Installs the Debian 12 packages that Trelmo needs to build, run and test.
set -e
if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins \
    libsqlite3-dev sqlite3 libblkid-dev libmount-dev libtag1-dev \
    lame flac vorbis-tools opus-tools ffmpeg dosfstools genisoimage xvfb xauth openbox fonts-dejavu-core fonts-wqy-microhei poppler-utils \
    librsvg2-bin desktop-file-utils appstream dpkg-dev
