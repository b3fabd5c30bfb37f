#!/usr/bin/env bash
# Builds the Debian package from the built tree, checks what it installs and
# declares, unpacks it into a scratch root and runs the unpacked quillonctl
# there against fresh data folders.
#   test_package.sh <build dir>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/out/quillon_*.deb)

# What it installs: both programs, the chart page, the menu entry, the icons;
# nothing outside /usr and no maintainer scripts (data folders stay untouched).
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(./usr/bin/quillon ./usr/share/quillon/html/HistoGram.html
          ./usr/share/applications/quillon.desktop
          ./usr/share/icons/hicolor/scalable/apps/quillon.svg)
[ -x "$build/quillonctl" ] && expected+=(./usr/bin/quillonctl)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/quillon.png")
done
for path in "${expected[@]}"; do
  grep -qx -- "$path" <<<"$listing" || fail "$path missing from the package"
done
stray=$(grep -v -e '^\./$' -e '^\./usr/' <<<"$listing" || true)
[ -z "$stray" ] || fail "installs outside /usr: $stray"
info=$(dpkg-deb -I "$deb")
for script in preinst postinst prerm postrm; do
  ! grep -qw "$script" <<<"$info" || fail "maintainer script $script"
done

# What it declares: linked libraries and the SQL drivers loaded by name.
depends=$(dpkg-deb -f "$deb" Depends)
for pkg in libqt5widgets5 libqt5sql5 libqt5webkit5 libqt5printsupport5 libqt5network5 \
           libqt5sql5-sqlite libqt5sql5-psql libqt5sql5-odbc qttranslations5-l10n \
           libgsf-1 libquazip1-qt5; do
  grep -q "\b$pkg" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-droid-fallback, fonts-noto-cjk" ] || fail "Recommends: fonts"

root="$work/root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/quillon.desktop"
grep -qx 'Name=库存与财务管理系统' "$root/usr/share/applications/quillon.desktop" || fail "menu name"
# PNG width and height sit at bytes 16..23 of the file.
[ "$(od -An -tx1 -j16 -N8 "$root/usr/share/icons/hicolor/48x48/apps/quillon.png" | tr -d ' \n')" \
  = 0000003000000030 ] || fail "48x48 icon has another size"

ctl="$root/usr/bin/quillonctl"
if [ ! -x "$ctl" ]; then
  echo "quillonctl not built: package checked without it"
  exit 0
fi
# No --dir: the user's folder, made with store number 1 and the chart page.
home="$work/home/.local/share/Quillon"
(cd / && env -u XDG_DATA_HOME HOME="$work/home" "$ctl" check) || fail "quillonctl check without --dir"
[ "$(cat "$home/InitParam/dBConfig.ini")" = $'[StoreNo]\nNo=1' ] || fail "store number 1 in a new folder"
cmp "$root/usr/share/quillon/html/HistoGram.html" "$home/html/HistoGram.html" || fail "chart page"
[ ! -e "$root/usr/bin/InitParam" ] || fail "data written beside the installed program"
# --dir: a fresh working folder of another store; a mistyped one is refused.
mkdir -p "$work/data/InitParam"
printf '[StoreNo]\nNo=2\n' >"$work/data/InitParam/dBConfig.ini"
"$ctl" --dir "$work/data" check || fail "quillonctl --dir check"
[ -f "$work/data/Marrowfield.db" ] || fail "no database in the --dir folder"
! "$ctl" --dir "$work/dta" check 2>/dev/null || fail "a folder without settings accepted"
[ ! -e "$work/dta" ] || fail "a mistyped folder was made"
