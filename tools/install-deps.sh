#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format clang-tidy
          qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-image-formats-plugins
          libgl1-mesa-dev xvfb xauth fonts-dejavu-core python3 trayer xdotool
          desktop-file-utils appstream dpkg-dev dbus-daemon python3-dbus python3-gi
          libicu-dev libphonenumber-dev libprotobuf-dev)
missing=()
packages+=(abook poppler-utils) # the report benchmark's peer; PDF pages to pictures
# CardDAV: the servers the sync tests start, the sync benchmark's peer, the keychain, and
# the certificate of the TLS test.
packages+=(radicale xandikos vdirsyncer qtkeychain-qt6-dev openssl)
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
