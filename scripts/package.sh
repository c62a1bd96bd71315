#!/usr/bin/env bash
# Builds the Debian package orvalto-atualizador_<version>_amd64.deb: the
# updater in /opt/orvalto-atualizador (its folder must stay writable), the
# terminal and scrambling tools, the systemd unit, commented settings files
# in /etc, the manual pages and the README.
#
#   bash scripts/package.sh [--build-dir DIR] [--out DIR]
#
# Programs missing from the build folder are built first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
out="$root"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "$2")"; shift 2 ;;
    --out) out="$(realpath -m "$2")"; shift 2 ;;
    *) echo "usage: package.sh [--build-dir DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

name=orvalto-atualizador
programs=(orvalto-atualizador orvalto-terminal orvalto-cifra)
version="$(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
arch="$(dpkg --print-architecture)"
maintainer="${ORVALTO_MAINTAINER:-Orvalto Suporte <suporte@orvalto.example>}"
[ -n "$version" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }

missing=0
for p in "${programs[@]}"; do [ -x "$build/bin/$p" ] || missing=1; done
if [ "$missing" = 1 ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  ninja -C "$build" -j2 "${programs[@]}"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
pkg="$work/pkg"
opt="$pkg/opt/$name"
doc="$pkg/usr/share/doc/$name"
install -d "$opt" "$pkg/usr/bin" "$pkg/etc/$name" "$pkg/lib/systemd/system" "$doc" \
  "$pkg/usr/share/lintian/overrides" "$pkg/usr/share/man/man1" "$pkg/usr/share/man/man8" "$pkg/DEBIAN"

# The tools go where only root writes: the technician runs them as root,
# and the updater's folder belongs to the service's user.
install -m 0755 "$build/bin/orvalto-atualizador" "$opt/"
install -m 0755 "$build/bin/orvalto-terminal" "$build/bin/orvalto-cifra" "$pkg/usr/bin/"
strip --strip-unneeded --remove-section=.comment --remove-section=.note \
  "$opt/orvalto-atualizador" "$pkg/usr/bin/orvalto-terminal" "$pkg/usr/bin/orvalto-cifra"

# Settings are configuration files in /etc, kept on removal and on upgrade
# (made readable only by root and the service at installation);
# the program reads them beside itself through the links.
for ini in Caminho.ini Atualizador.ini; do
  install -m 0644 "$root/packaging/$ini" "$pkg/etc/$name/$ini"
  ln -s "/etc/$name/$ini" "$opt/$ini"
  echo "/etc/$name/$ini" >> "$pkg/DEBIAN/conffiles"
done
install -m 0644 "$root/packaging/$name.service" "$pkg/lib/systemd/system/"
install -m 0644 "$root/README.md" "$root/docs/SECURITY.md" "$root/packaging/copyright" "$doc/"
install -m 0644 "$root/packaging/lintian-overrides" "$pkg/usr/share/lintian/overrides/$name"
for page in orvalto-atualizador.8 orvalto-terminal.1 orvalto-cifra.1; do
  gzip -9n < "$root/packaging/$page" > "$pkg/usr/share/man/man${page##*.}/$page.gz"
  chmod 0644 "$pkg/usr/share/man/man${page##*.}/$page.gz"
done

date="$(git -C "$root" log -1 --format=%aD 2>/dev/null || date -R)"
printf '%s (%s) stable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
  "$name" "$version" "$version" "$maintainer" "$date" | gzip -9n > "$doc/changelog.gz"
chmod 0644 "$doc/changelog.gz"

for script in postinst prerm postrm; do
  install -m 0755 "$root/packaging/$script" "$pkg/DEBIAN/$script"
done

# Library dependencies come from the binaries (the Firebird client among
# them). The UnRAR library is loaded at run time (a copy is inside the
# program; the system's serves when that copy cannot be written or loaded),
# so it is named by hand. The Firebird server is only recommended: a shop
# may run it from Firebird's own packages, and a second server must not
# come with this one.
mkdir -p "$work/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$name" "$name" > "$work/debian/control"
shlibs="$(cd "$work" && dpkg-shlibdeps -O -e"$opt/orvalto-atualizador" \
  -e"$pkg/usr/bin/orvalto-terminal" -e"$pkg/usr/bin/orvalto-cifra" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')"
[ -n "$shlibs" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

cat > "$pkg/DEBIAN/control" <<CONTROL
Package: $name
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $shlibs, libunrar5
Recommends: firebird3.0-server, qt6-qpa-plugins
Section: non-free/admin
Priority: optional
Description: Orvalto product updater for the database server
 Keeps an Orvalto retail installation current: asks the maker's web
 services which module packages to install, downloads and extracts them,
 backs up the Firebird database, runs the product's structure update and
 replaces the executables in the shared versions folder when a workstation
 asks over TCP port 5555 or at the scheduled time.
 .
 Runs as the systemd service orvalto-atualizador from
 /opt/orvalto-atualizador; edit /etc/orvalto-atualizador/Caminho.ini first.
CONTROL

(cd "$pkg" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z |
  xargs -0 md5sum > DEBIAN/md5sums)
chmod 0644 "$pkg/DEBIAN/md5sums" "$pkg/DEBIAN/control" "$pkg/DEBIAN/conffiles"

mkdir -p "$out"
deb="$out/${name}_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$deb" >/dev/null
echo "$deb"
