#!/usr/bin/env bash
# Builds vermark_<version>_<arch>.deb from a hardened Release build in build-release/.
# Usage: scripts/package-deb.sh [OUTPUT_FOLDER]   (default: the source root)
# Prints the package's path as its last line. Needs dpkg-dev, desktop-file-utils and Qt 6.
set -euo pipefail
umask 022

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${VERMARK_DEB_BUILD_DIR:-$source_dir/build-release}
out_dir=$(mkdir -p "${1:-$source_dir}" && cd "${1:-$source_dir}" && pwd)
packaging=$source_dir/packaging

version=$(sed -n 's/^project(Vermark VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || { echo "package-deb: no version in CMakeLists.txt" >&2; exit 1; }
arch=$(dpkg --print-architecture)
maintainer="Vermark developers <dev@vermark.example>"

# Debian's hardening flags (fortify, stack protector, full RELRO, bind-now). Debug info and the
# optimisation level are left to the Release build type; the binaries are stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
drop_flags() { tr ' ' '\n' | grep -Ev '^(-g|-O[0-9s]?|-ffile-prefix-map=.*)?$' | tr '\n' ' '; }
cxxflags=$( (dpkg-buildflags --get CPPFLAGS; dpkg-buildflags --get CXXFLAGS) | tr '\n' ' ' | drop_flags)
cflags=$( (dpkg-buildflags --get CPPFLAGS; dpkg-buildflags --get CFLAGS) | tr '\n' ' ' | drop_flags)
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "== Release build in $build_dir" >&2
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVERMARK_BUILD_GUI=ON -DVERMARK_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_C_FLAGS="$cflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build_dir" --target vermark vermark-gui -j "$(nproc)" >&2
for program in cli/vermark app/vermark-gui; do
  [ -x "$build_dir/$program" ] || { echo "package-deb: $program was not built (Qt 6 missing?)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/vermark
mkdir -p "$stage/DEBIAN"

echo "== staging" >&2
for program in cli/vermark app/vermark-gui; do
  install -D -m 755 "$build_dir/$program" "$stage/usr/bin/$(basename "$program")"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note \
    "$stage/usr/bin/$(basename "$program")"
done

desktop-file-validate "$source_dir/app/vermark.desktop"
install -D -m 644 "$source_dir/app/vermark.desktop" "$stage/usr/share/applications/vermark.desktop"
install -D -m 644 "$source_dir/app/resources/vermark.svg" \
  "$stage/usr/share/icons/hicolor/scalable/apps/vermark.svg"
install -D -m 644 "$packaging/vermark.bash-completion" \
  "$stage/usr/share/bash-completion/completions/vermark"
install -D -m 644 "$packaging/copyright" "$stage/usr/share/doc/vermark/copyright"

# Manual pages carry the package's version in their title line.
# shared-mime-info already knows image/vnd.dxf (*.dxf), so no MIME package of our own is shipped.
mkdir -p "$stage/usr/share/man/man1"
for page in vermark.1 vermark-gui.1; do
  sed "s/@VERSION@/$version/g" "$packaging/$page" | gzip -9n >"$stage/usr/share/man/man1/$page.gz"
done

# A native package's changelog: one entry for this version, dated by the last commit so that
# rebuilding the same tree gives the same file.
date_rfc2822=$(git -C "$source_dir" log -1 --format=%cD 2>/dev/null || date -R)
{
  echo "vermark ($version) unstable; urgency=medium"
  echo
  echo "  * Release $version."
  echo
  echo " -- $maintainer  $date_rfc2822"
} | gzip -9n >"$stage/usr/share/doc/vermark/changelog.gz"

echo "== control" >&2
# dpkg-shlibdeps reads the binary package's name from debian/control in its working folder.
mkdir -p "$work/src/debian"
printf 'Source: vermark\n\nPackage: vermark\nArchitecture: any\n' >"$work/src/debian/control"
depends=$(cd "$work/src" && dpkg-shlibdeps -O -e"$stage/usr/bin/vermark" \
  -e"$stage/usr/bin/vermark-gui" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

installed_size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
{
  echo "Package: vermark"
  echo "Version: $version"
  echo "Architecture: $arch"
  echo "Maintainer: $maintainer"
  echo "Installed-Size: $installed_size"
  echo "Depends: $depends"
  # The window shows file-type icons from the Adwaita theme when the desktop has no theme of its own.
  echo "Recommends: adwaita-icon-theme"
  echo "Section: graphics"
  echo "Priority: optional"
  echo "Description: add the \$ACADVER header variable to DXF drawings"
  sed -n 's/^/ /p' "$packaging/description"
} >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$out_dir/vermark_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >&2
echo "$deb"
