#!/usr/bin/env bash
# Takes the README's screenshots of Quenlo32 under Wine on a private X server:
# docs/main-dialog.png and docs/about-box.png.
# Usage: scripts/screenshots.sh [build dir]   (default build/windows-x64)
# Needs what "scripts/install-deps.sh screenshots" installs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/windows-x64}")
program=$build/dialog/Quenlo32.exe
driver=$build/tests/dialog_e2e/quenlo_dialog_e2e.exe
wine=${QUENLO_WINE:-/usr/lib/wine/wine64}
wineserver=${QUENLO_WINESERVER:-/usr/lib/wine/wineserver}
for file in "$program" "$driver"; do
  [ -f "$file" ] || { echo "missing $file: build the windows-x64 preset first" >&2; exit 1; }
done

if [ -z "${QUENLO_SHOTS_DISPLAY_READY:-}" ]; then
  export QUENLO_SHOTS_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

export WINEPREFIX=$build/wineprefix-shots
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8
export WINEDLLOVERRIDES=mscoree,mshtml=
to_windows() { printf 'Z:%s' "$1" | tr / '\\'; }
reg_add() { "$wine" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; }

mkdir -p "$WINEPREFIX"
# The dialogs ask for the Japanese system fonts; IPA Gothic stands in for them.
fonts='HKCU\Software\Wine\Fonts\Replacements'
reg_add "$fonts" 'ＭＳ Ｐゴシック' 'IPAPGothic'
reg_add "$fonts" 'ＭＳ ゴシック' 'IPAGothic'
reg_add "$fonts" 'MS PGothic' 'IPAPGothic'
reg_add "$fonts" 'MS Gothic' 'IPAGothic'
reg_add "$fonts" 'MS UI Gothic' 'IPAPGothic'
# Wine draws the caption buttons with Marlett (from fonts-wine), which a new
# prefix does not see on its own.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# A Wine desktop draws the window frames itself, as Windows would, where a
# bare X server has no window manager to draw them.
reg_add 'HKCU\Software\Wine\Explorer' 'Desktop' 'Default'
reg_add 'HKCU\Software\Wine\Explorer\Desktops' 'Default' '1024x768'
# The settings apply to the next Wine session.
"$wineserver" -w

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shoot() {  # shoot main|about docs/<name>.png
  local what=$1 out=$2
  rm -f "$work/done" "$work/rect"
  "$wine" "$driver" --pose "$what" "$(to_windows "$program")" \
    "$(to_windows "$work/done")" >"$work/rect" &
  local poser=$!
  for _ in $(seq 1 300); do
    [ -s "$work/rect" ] && break
    sleep 0.1
  done
  read -r left top width height <"$work/rect" || { echo "no $what window" >&2; exit 1; }
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$out"
  touch "$work/done"
  wait "$poser"
  echo "wrote $out (${width}x${height})"
}

shoot main docs/main-dialog.png
shoot about docs/about-box.png
"$wineserver" -w
