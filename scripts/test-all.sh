#!/usr/bin/env bash
# Builds everything and runs every test: the native build under AddressSanitizer
# and UBSan, again with clang under ThreadSanitizer, the Windows programs under
# Wine, a minute of fuzzing of the line-break rewriter, then the packages: the
# zips of the Windows builds and the Debian package of the release build,
# which is installed with apt-get for the check and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh all
# Packages of an earlier version would be checked too.
rm -f build/release/*.deb build/windows-x64/*.zip build/windows-x86/*.zip
cmake --workflow --preset dev
cmake --workflow --preset clang
cmake --workflow --preset windows-x64
cmake --workflow --preset windows-x86
cmake --workflow --preset release
cmake --workflow --preset fuzz
python3 tests/check_packages.py --deb build/release \
  --zip build/windows-x64 --zip build/windows-x86 --install
