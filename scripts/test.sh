#!/usr/bin/env bash
# The one command that sets up a fresh machine and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
ctest --output-on-failure --timeout 1500 "$@"
