#!/usr/bin/env bash
# Builds the converter and runs it on a copy of the bundled sample, showing
# the file's line breaks before and after.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh demo
cmake --preset demo >/dev/null
cmake --build --preset demo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp samples/memo.txt "$work/memo.txt"
program=$PWD/build/demo/console/Quenlo

show() {
  echo "$1:"
  od -An -c "$work/memo.txt"
}
show "before"
(cd "$work" && "$program" -U -R memo.txt)
show "after Quenlo -U -R memo.txt"
(cd "$work" && "$program" memo.txt)
show "after Quenlo memo.txt"
echo "backup kept by -R, then replaced and removed by the second run: $(ls "$work")"
