#!/usr/bin/env bash
# Sets up, builds, and opens the editor. On this Linux machine the Windows launcher cannot show a
# browser window, so the built page is opened the way the launcher opens it on Windows: in an
# app-mode browser window with a private profile. Without a display the artefacts are listed instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
# The build names the page file after the project's version and keeps that name in its cache.
page="$(sed -n 's/^LMW_PAGE_FILE:INTERNAL=//p' build/CMakeCache.txt)"
echo "page:     $page"
echo "launcher: $PWD/build/launcher/Lumaweave.exe (32-bit Windows)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  profile="${XDG_DATA_HOME:-$HOME/.local/share}/Lumaweave/BrowserProfile"
  mkdir -p "$profile"
  exec chromium --app="file://$page" --user-data-dir="$profile" --no-first-run \
    --no-default-browser-check --disable-background-networking --disable-background-mode
fi
echo "no display: open the page above in Chrome or Edge, or copy Lumaweave.exe to Windows and run it."
