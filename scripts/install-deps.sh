#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libsqlite3-dev libqt5sql5-odbc libqt5sql5-psql
  libqt5svg5-dev libqt5webkit5-dev
  libquazip1-qt5-dev libgsf-1-dev libicu-dev qttranslations5-l10n
  fonts-noto-cjk fonts-droid-fallback
  python3 python3-xlrd python3-openpyxl
  poppler-utils desktop-file-utils clang-format
  postgresql
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
