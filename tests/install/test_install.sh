#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a Linux desktop reads there,
# then builds the Debian package and checks it. Usage: test_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
id=example.krv.AideKRV
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix/usr" >/dev/null
test -x "$prefix/usr/bin/krv_pdf"
# qpdf's module, where the program looks for it: relative to its own folder.
folder=$(strings "$prefix/usr/bin/krv_pdf" | grep -x '\.\./.*aide-krv' | sort -u)
test -f "$prefix/usr/bin/$folder/krv_structure_module.so" || { echo "module not in $folder"; exit 1; }
desktop-file-validate "$prefix/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/usr/share/metainfo/$id.metainfo.xml"
for size in 16 32 48 64 128 256; do
  icon="$prefix/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  test -f "$icon" || { echo "missing $icon"; exit 1; }
  file "$icon" | grep -q "$size x $size" || { echo "wrong size: $icon"; exit 1; }
done
# The manual in the French section, with every key of the help.
manual="$prefix/usr/share/man/fr/man1/krv_pdf.1.gz"
test -f "$manual" || { echo "missing $manual"; exit 1; }
test ! -e "$prefix/usr/share/man/man1/krv_pdf.1.gz" || { echo "manual outside fr/man1"; exit 1; }
for key in Ctrl+O F1 Ctrl+F F3 Ctrl+P Ctrl+Maj+P Ctrl+G Ctrl+L Ctrl+E F9 Alt+Gauche Ctrl+A; do
  zcat "$manual" | grep -qF "$key" || { echo "the manual lacks $key"; exit 1; }
done
# French typography: no plain (breakable) space before : ; ? ! %, no straight apostrophe.
if zcat "$manual" | grep -v '^\.\\"' | grep -E "(^|[^\\]) [:;?!%]|[[:alpha:]]'[[:alpha:]]"; then
  echo "the manual's typography"; exit 1
fi
test -f "$prefix/usr/share/doc/aide-krv/copyright"

# The Debian package, from the same build.
out=$(mktemp -d)
trap 'rm -rf "$prefix" "$out"' EXIT
(cd "$out" && cpack --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$out"/aide-krv_1.00_*.deb)
test "$(dpkg-deb -f "$deb" Version)" = "1.00"
test "$(dpkg-deb -f "$deb" Package)" = "aide-krv"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6"
dpkg-deb -f "$deb" Depends | grep -q "qt6-translations-l10n"
dpkg-deb -f "$deb" Recommends | grep -q "xdg-utils"
# The PDF's structure (qpdf) and printing (CUPS), found by dpkg-shlibdeps.
dpkg-deb -f "$deb" Depends | grep -q "libqpdf29"
dpkg-deb -f "$deb" Depends | grep -q "libcups2"
dpkg-deb -f "$deb" Recommends | grep -q "fonts-vlgothic"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/krv_pdf ./usr/lib/aide-krv/krv_structure_module.so ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/icons/hicolor/256x256/apps/$id.png ./usr/share/man/fr/man1/krv_pdf.1.gz; do
  grep -qF "$f" <<<"$contents" || { echo "package lacks $f"; exit 1; }
done
if command -v lintian >/dev/null; then
  report=$(lintian --no-tag-display-limit "$deb" 2>&1 || true)
  echo "$report"
  if grep -q "^E:" <<<"$report"; then echo "lintian reports errors"; exit 1; fi
fi
echo "install and package: all checks passed"
