#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent.
set -euo pipefail
pkgs=(cmake make g++-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine64 flatbuffers-compiler
      libflatbuffers-dev libgtest-dev libz-mingw-w64-dev python3)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
