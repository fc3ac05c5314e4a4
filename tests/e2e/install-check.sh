#!/usr/bin/env bash
# The install (DESTDIR, two prefixes) and the .deb, their files and the
# .deb's dependencies; desktop-file-validate and lintian judge where present.
# Usage: install-check.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "install-check: $*" >&2; exit 1; }
icon_sizes=(16 32 48 64 128 256)

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
    if command -v desktop-file-validate >/dev/null; then
      local said
      said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $said"
      [ -z "$said" ] || fail "desktop-file-validate: $said"
    fi
    local size icon
    for size in "${icon_sizes[@]}"; do
      icon=$root$prefix/share/icons/hicolor/${size}x$size/apps/$s.png
      [ -f "$icon" ] || fail "$icon missing"
      # PNG signature; the IHDR width and height; 8 bits, RGBA (colour type 6).
      [ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
      [ "$(od -An -tx1 -j16 -N10 "$icon" | tr -d ' \n')" = "$(printf '%08x%08x0806' "$size" "$size")" ] \
        || fail "$icon is not ${size}x$size RGBA"
    done
    icon=$root$prefix/share/icons/hicolor/scalable/apps/$s.svg
    [ -f "$icon" ] || fail "$icon missing"
    grep -q '<svg ' "$icon" || fail "$icon is not an SVG drawing"
  done
  local doc=$root$prefix/share/doc/sigstations
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" \
    || fail "$doc/copyright missing or not machine-readable"
  gzip -dc "$doc/changelog.gz" | head -1 | grep -q '^sigstations (' || fail "$doc/changelog.gz missing or not a changelog"
  for p in sigtx sigrx siglink; do
    gzip -dc "$root$prefix/share/man/man1/$p.1.gz" | grep -q "^$p \\\\- " \
      || fail "$prefix/share/man/man1/$p.1.gz missing or has no NAME line"
  done
  "$root$prefix/bin/siglink" --help | grep -q 'siglink demo' || fail "installed siglink does not run"
  for p in sigtx sigrx; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$root$prefix/bin/$p" --version | grep -q "^$p (sigstations) " \
      || fail "installed $p does not run"
  done
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
  # The .deb's files pass the same checks as an installation.
  dpkg-deb -x "$deb" "$work/deb-tree" || fail "cannot unpack the .deb"
  check_tree "$work/deb-tree" /usr
  depends=$(dpkg-deb -f "$deb" Depends)
  for p in libqt6widgets6 libqt6charts6 qt6-qpa-plugins; do
    grep -q "$p" <<<"$depends" || fail ".deb does not depend on $p"
  done
  # lintian fails on errors; what else it says stays in WORK_DIR/lintian.txt.
  if command -v lintian >/dev/null; then
    lintian --info --pedantic --display-experimental --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 \
      || fail "lintian finds errors in the .deb: $(cat "$work/lintian.txt")"
  fi
fi
echo "install-check: ok"
