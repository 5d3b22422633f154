#!/usr/bin/env bash
# Installs the build into a temporary root and runs the installed command-line tool from there:
# the links in bin must find the word files in the program folder.
set -euo pipefail
build_dir=$1
version=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build_dir" --prefix /usr >/dev/null
cli="$root/usr/bin/qirv-cli"
test -L "$cli"
test "$("$cli" --version)" = "qirv-cli $version"
gzip -dc "$root/usr/share/man/man1/qirv.1.gz" | grep "Qirv $version" >/dev/null
names=$(printf 'red car\n' | "$cli" generate --use-suffixes)
grep -qx 'www.myred-car.com' <<<"$names"
test -f "$root/usr/share/applications/com.zelbrane.Qirv.desktop"
test -f "$root/usr/share/man/man1/qirv-cli.1.gz"
echo "1 passed, 0 failed"
