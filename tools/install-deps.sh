#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (run as root); skips apt-get
# when everything is already there.
set -euo pipefail
packages=(g++ cmake make pkg-config qt6-base-dev libgtest-dev libbenchmark-dev libxml2-utils clang clang-format git
          desktop-file-utils groff man-db dpkg-dev file python3 libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix wine64 fonts-wine googletest xvfb nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
