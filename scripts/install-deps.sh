#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet.
set -euo pipefail
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  # A package of another architecture (wine32:i386) needs that architecture enabled.
  for package in "${missing[@]}"; do
    case "$package" in
    *:*)
      architecture=${package#*:}
      dpkg --print-foreign-architectures | grep -qx "$architecture" ||
        $sudo dpkg --add-architecture "$architecture"
      ;;
    esac
  done
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
