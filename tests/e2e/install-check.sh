#!/usr/bin/env bash
# Installs the build into a staging directory through DESTDIR, once with the
# default prefix and once with another, checks what landed where, and builds
# the .deb and checks its contents and dependencies.
# Usage: install-check.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "install-check: $*" >&2; exit 1; }

check_tree() {  # ROOT PREFIX
  local root=$1 prefix=$2
  for p in sigtx sigrx siglink; do
    [ -x "$root$prefix/bin/$p" ] || fail "$prefix/bin/$p missing or not executable"
  done
  for s in sigtx sigrx; do
    local desktop=$root$prefix/share/applications/$s.desktop
    [ -f "$desktop" ] || fail "$desktop missing"
    grep -qx "Exec=$s" "$desktop" || fail "$desktop does not start $s"
    grep -qx "Icon=$s" "$desktop" || fail "$desktop does not name icon $s"
    grep -qx "Type=Application" "$desktop" || fail "$desktop is not an application entry"
    local icon=$root$prefix/share/icons/hicolor/16x16/apps/$s.png
    [ -f "$icon" ] || fail "$icon missing"
    # PNG signature, then the IHDR width and height (16 × 16).
    [ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
    [ "$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')" = 0000001000000010 ] || fail "$icon is not 16x16"
  done
  "$root$prefix/bin/siglink" --help | grep -q 'siglink demo' || fail "installed siglink does not run"
  # Nothing outside the prefix.
  local outside
  outside=$(cd "$root" && find . -type f | grep -v "^.$prefix/" || true)
  [ -z "$outside" ] || fail "installed outside $prefix: $outside"
}

DESTDIR="$work/default" cmake --install "$build" --prefix /usr >/dev/null
check_tree "$work/default" /usr
DESTDIR="$work/opt" cmake --install "$build" --prefix /opt/sigstations >/dev/null
check_tree "$work/opt" /opt/sigstations

if command -v dpkg-deb >/dev/null; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
  deb=$(ls "$work"/deb/*.deb)
  contents=$(dpkg-deb -c "$deb")
  for f in usr/bin/sigtx usr/bin/sigrx usr/bin/siglink usr/share/applications/sigtx.desktop \
           usr/share/applications/sigrx.desktop usr/share/icons/hicolor/16x16/apps/sigtx.png \
           usr/share/icons/hicolor/16x16/apps/sigrx.png; do
    grep -q " \./$f\$" <<<"$contents" || fail ".deb lacks /$f"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  for p in libqt6widgets6 libqt6charts6 qt6-qpa-plugins; do
    grep -q "$p" <<<"$depends" || fail ".deb does not depend on $p"
  done
fi
echo "install-check: ok"
