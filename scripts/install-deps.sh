#!/usr/bin/env bash
# Installs, on Debian, what the builds and the tests need, and the Japanese
# locale that gives Wine the code page 932. Installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev python3
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine64 fonts-wine locales xvfb xauth fonts-ipafont-gothic imagemagick
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo sed -i 's/^# *\(ja_JP.UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
