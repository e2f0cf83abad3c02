#!/usr/bin/env bash
# Installs on Debian what a task needs, only what is missing:
#   demo         the native release build (scripts/demo.sh)
#   all          every build, test and package check (scripts/test-all.sh),
#                with the Japanese locale that gives Wine the code page 932
#   screenshots  what scripts/screenshots.sh needs beyond "all"
# Usage: install-deps.sh [demo|all|screenshots]   (default: all)
set -euo pipefail

demo=(cmake ninja-build g++)
all=(
  "${demo[@]}" libgtest-dev googletest python3
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine64 locales xvfb xauth fonts-ipafont-gothic
  dpkg-dev file lintian man-db strace
  clang libclang-rt-14-dev
)
case "${1:-all}" in
  demo) packages=("${demo[@]}") ;;
  all) packages=("${all[@]}") ;;
  screenshots) packages=("${all[@]}" imagemagick fonts-wine) ;;
  *) echo "usage: $0 [demo|all|screenshots]" >&2; exit 2 ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-all}" != demo ] || exit 0
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(ja_JP.UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
