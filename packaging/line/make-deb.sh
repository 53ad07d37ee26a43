#!/usr/bin/env bash
# Lays out the line service's Debian package from a release build of varnex-line and makes
#   <dist>/varnex-line_<version>_<arch>.deb
#
#   bash packaging/line/make-deb.sh <varnex-line program> <dist folder>
#
# The version is the service's own, from line/LineVersion.h. The package is staged in a
# temporary folder and built with dpkg-deb; its library dependencies come from dpkg-shlibdeps.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <varnex-line program> <dist folder>" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=$(realpath "$1")
dist=$(realpath -m "$2")

version=$(sed -n 's/.*kLineVersion\[\] = "\([^"]*\)";.*/\1/p' "$root/line/LineVersion.h")
if [ -z "$version" ]; then
  echo "make-deb: no kLineVersion in line/LineVersion.h" >&2
  exit 1
fi
if [ "$("$program" --version)" != "$version" ]; then
  echo "make-deb: $program says $("$program" --version), the source $version: rebuild it" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
maintainer="Varnex line tools <line-tools@varnex.example>"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
umask 022
pkg=$stage/debian/varnex-line
doc=$pkg/usr/share/doc/varnex-line

install -D -m 0755 "$program" "$pkg/usr/bin/varnex-line"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$pkg/usr/bin/varnex-line"
install -d "$pkg/usr/share/varnex-line/web"
install -m 0644 "$root"/line/web/* "$pkg/usr/share/varnex-line/web/"
install -D -m 0644 "$here/varnex-line.service" "$pkg/lib/systemd/system/varnex-line.service"
install -D -m 0644 "$here/varnex-line.conf" "$pkg/etc/varnex-line/varnex-line.conf"
install -D -m 0644 "$here/tmpfiles.conf" "$pkg/usr/lib/tmpfiles.d/varnex-line.conf"
install -D -m 0644 "$here/copyright" "$doc/copyright"
install -m 0644 "$root/docs/line-service.md" "$doc/"
install -D -m 0644 "$here/varnex-line.1" "$pkg/usr/share/man/man1/varnex-line.1"
gzip -9n "$pkg/usr/share/man/man1/varnex-line.1"

# The changelog's date is the version's: the last commit of LineVersion.h, so that a package
# built twice from one commit comes out the same.
when=$(git -C "$root" log -1 --format=%ct -- line/LineVersion.h 2>/dev/null || true)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-${when:-$(date +%s)}}
printf 'varnex-line (%s) stable; urgency=medium\n\n  * Release %s of the line service.\n\n -- %s  %s\n' \
  "$version" "$version" "$maintainer" "$(date -R -u -d "@$SOURCE_DATE_EPOCH")" |
  gzip -9n > "$doc/changelog.gz"

install -d "$pkg/DEBIAN"
install -m 0755 "$here/postinst" "$here/prerm" "$here/postrm" "$pkg/DEBIAN/"
echo /etc/varnex-line/varnex-line.conf > "$pkg/DEBIAN/conffiles"
(cd "$pkg" && find usr lib -type f -print0 | sort -z | xargs -0 md5sum) > "$pkg/DEBIAN/md5sums"

# dpkg-shlibdeps reads the package's name from a control file of a source package.
printf 'Source: varnex-line\n\nPackage: varnex-line\nArchitecture: any\n' > "$stage/debian/control"
libraries=$(cd "$stage" && dpkg-shlibdeps -O debian/varnex-line/usr/bin/varnex-line |
  sed -n 's/^shlibs:Depends=//p')

cat > "$pkg/DEBIAN/control" <<CONTROL
Package: varnex-line
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $libraries, adduser, libjs-chart.js
Suggests: zstd
Section: net
Priority: optional
Description: line service of the Varnex check stations
 varnex-line receives the record of every check run from the stations of a
 mobile-phone production line over HTTP or HTTPS, keeps it in SQLite or
 PostgreSQL and answers the line's questions over a JSON API. Its dashboard
 shows yield and first-pass yield per station and hour, the Pareto of failing
 items, each station's fail-ratio alarm and a phone's whole history. Runs
 older than a set number of days go to an archive of compressed day files;
 metrics for Prometheus and consistent backups of a live store come with it.
 .
 The package runs the service as the systemd unit varnex-line.service under
 a system user of its own; its settings are in /etc/varnex-line.
CONTROL

mkdir -p "$dist"
deb=$dist/varnex-line_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$deb" >/dev/null
echo "$deb"
