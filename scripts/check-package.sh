#!/usr/bin/env bash
# Checks a built tesqv .deb without installing it: every file it should carry, the desktop
# entry, metainfo and MIME types as the desktop's tools read them, and lintian with no errors.
# Usage: check-package.sh PACKAGE.deb
set -euo pipefail

deb=${1:?usage: check-package.sh PACKAGE.deb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
fail() {
  echo "check-package: $*" >&2
  failed=1
}

expected=(
  usr/bin/tesqv
  usr/bin/tesqv-cli
  usr/share/applications/tesqv.desktop
  usr/share/icons/hicolor/scalable/apps/tesqv.svg
  usr/share/mime/packages/tesqv.xml
  usr/share/metainfo/org.tesqv.tesqv.metainfo.xml
  usr/share/man/man1/tesqv.1.gz
  usr/share/man/man1/tesqv-cli.1.gz
  usr/share/bash-completion/completions/tesqv-cli
  usr/share/doc/tesqv/copyright
  usr/share/doc/tesqv/changelog.gz
)
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' >"$work/contents"
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/contents" || fail "$path is not in the package"
done

dpkg-deb -x "$deb" "$work/root"
root=$work/root/usr/share
desktop-file-validate "$root/applications/tesqv.desktop" || fail "desktop entry is not valid"
appstreamcli validate --no-net "$root/metainfo/org.tesqv.tesqv.metainfo.xml" ||
  fail "metainfo is not valid"

# The types as a desktop sees them (GLib's guess from name and content): a trace by its
# file-type line under any name, a capture by its name, and an ordinary .txt file still text.
mkdir -p "$work/data/mime/packages" "$work/files"
cp "$root/mime/packages/tesqv.xml" "$work/data/mime/packages/"
update-mime-database "$work/data/mime" >/dev/null 2>&1 || fail "the MIME types do not load"
printf 'Recorder export\nFileType QDL-RV\nCurve U1 V 0 1\nStep 1 s\n\n1\n' >"$work/files/trace.txt"
cp "$work/files/trace.txt" "$work/files/trace.dat"
printf 'notes\n' >"$work/files/notes.txt"
printf '\x98\xc1\x89\x7a\x01\x02' >"$work/files/capture.osc"
expect_type() {
  local got
  got=$(XDG_DATA_HOME="$work/data" XDG_DATA_DIRS=/usr/share \
    gio info -a standard::content-type "$work/files/$1" | sed -n 's/^ *standard::content-type: //p')
  [[ $got == "$2" ]] || fail "$1 is taken for ${got:-nothing}, not $2"
}
expect_type trace.txt application/x-tesqv-trace
expect_type trace.dat application/x-tesqv-trace
expect_type capture.osc application/x-tesqv-capture
expect_type notes.txt text/plain
for type in application/x-tesqv-trace application/x-tesqv-capture; do
  grep -q "^MimeType=.*$type;" "$root/applications/tesqv.desktop" ||
    fail "the desktop entry does not open $type"
done

# Lintian's own exit status counts errors only; its warnings are printed, not fatal.
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" ||
  fail "lintian reports errors"
echo "lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors," \
  "$(grep -c '^W:' "$work/lintian.log" || true) warnings"

if ((failed)); then exit 1; fi
echo "check-package: $(basename "$deb") carries ${#expected[@]} expected files and passes"
