#!/usr/bin/env bash
# Builds everything and runs every test: the native build under AddressSanitizer
# and UBSan, then the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --workflow --preset dev
cmake --workflow --preset windows-x64
cmake --workflow --preset windows-x86
