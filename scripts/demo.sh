#!/usr/bin/env bash
# Builds the converter and runs it on a copy of the bundled sample, showing
# the file's line breaks before and after.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp samples/memo.txt "$work/memo.txt"

show() {
  echo "$1:"
  od -An -c "$work/memo.txt"
}
show "before"
(cd "$work" && "$OLDPWD/build/release/console/Quenlo" -U -R memo.txt | iconv -f CP932 -t UTF-8)
show "after Quenlo -U -R memo.txt"
(cd "$work" && "$OLDPWD/build/release/console/Quenlo" memo.txt | iconv -f CP932 -t UTF-8)
show "after Quenlo memo.txt"
echo "backup kept by -R, then replaced and removed by the second run: $(ls "$work")"
