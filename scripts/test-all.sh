#!/usr/bin/env bash
# Builds everything and runs every test: the native build under AddressSanitizer
# and UBSan, then the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --workflow --preset dev
if [ -f cmake/toolchain-x86_64-w64-mingw32.cmake ]; then
  cmake --workflow --preset windows-x64
  cmake --workflow --preset windows-x86
fi
