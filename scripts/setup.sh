#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine (run as root).
# Safe to run again: packages already present are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev
  zlib1g-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64
  chromium
  nodejs npm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# A machine that already has Node.js from another source keeps it.
if command -v node >/dev/null && command -v npm >/dev/null; then
  filtered=()
  for p in "${missing[@]}"; do [[ "$p" == nodejs || "$p" == npm ]] || filtered+=("$p"); done
  missing=("${filtered[@]+"${filtered[@]}"}")
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The browser driver; it never downloads a browser of its own (Debian's chromium is used).
if [ ! -d node_modules/playwright-core ] || [ package.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
