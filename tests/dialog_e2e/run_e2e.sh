#!/usr/bin/env bash
# Runs the end-to-end driver under Wine on a private X server.
# Usage: run_e2e.sh <quenlo_dialog_e2e.exe> <Quenlo32.exe>
# WINEPREFIX defaults to wineprefix-e2e beside the driver.
set -uo pipefail

driver=$(realpath "$1")
program=$(realpath "$2")
wine=${QUENLO_WINE:-/usr/lib/wine/wine64}
wineserver=${QUENLO_WINESERVER:-/usr/lib/wine/wineserver}

export WINEPREFIX=${WINEPREFIX:-$(dirname "$driver")/wineprefix-e2e}
export WINEDEBUG=${WINEDEBUG:--all}
export LANG=${LANG:-ja_JP.UTF-8}
# No Mono or Gecko installer prompt when the prefix is first made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Wine sees the Unix root as drive Z:.
to_windows() { printf 'Z:%s' "$1" | tr / '\\'; }

if [ -z "${QUENLO_E2E_DISPLAY_READY:-}" ]; then
  export QUENLO_E2E_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$driver" "$program"
fi

mkdir -p "$WINEPREFIX"
"$wine" "$driver" "$(to_windows "$program")"
status=$?
# Let this prefix's server end before the X server goes away; a program
# left hanging by a failed run is ended with it.
timeout 30 "$wineserver" -w || "$wineserver" -k
exit $status
