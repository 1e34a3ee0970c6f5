#!/bin/sh
# The Debian package as a user gets it: built by CPack from this build, unpacked into a
# temporary root (dpkg-deb -x), its programs run from there, and its desktop entry, AppStream
# metainfo and manual pages checked with the tools desktops and Debian use.
#   check_package.sh CPACK CPACK_CONFIG
set -eu
cpack=$1
config=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Build the package.
if ! "$cpack" --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack could not build the package"
fi
set -- "$work"/out/lomandra_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single lomandra_*.deb: $*"
deb=$1
echo "built $(basename "$deb")"

# Control fields: dependencies computed from the binaries, section, maintainer, description.
field() { dpkg-deb -f "$deb" "$1"; }
depends=$(field Depends)
for package in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libxlsxwriter4 libzip4 libexpat1; do
  case ", $depends," in
    *", $package "* | *", $package,"*) ;;
    *) fail "Depends lacks $package: $depends" ;;
  esac
done
[ "$(field Section)" = utils ] || fail "Section is \"$(field Section)\""
field Maintainer | grep -q '^[^<]\+ <[^>]\+@[^>]\+>$' || fail "Maintainer is \"$(field Maintainer)\""
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description"
version=$(field Version)

# Every file sits under /usr in the folders a packaged desktop program uses, and nothing is
# left to be made at install time: the package has no maintainer scripts.
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/files"
stray=$(grep -v -E '^\./(usr/)?$|^\./usr/(.+/)?$|^\./usr/bin/lomandra(-merge)?$|^\./usr/lib/(.+/)?lomandra/|^\./usr/share/(applications|icons|metainfo|man|doc)/' "$work/files" || true)
[ -z "$stray" ] || fail "files outside the expected folders: $stray"
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -q -E 'preinst|postinst|prerm|postrm'; then
  fail "the package runs maintainer scripts"
fi

# The commands on PATH are links into the program folder, which is whole.
for program in lomandra lomandra-merge; do
  [ -L "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not a link"
  target=$(readlink -f "$root/usr/bin/$program")
  case "$target" in
    "$root"/*) ;;
    *) fail "/usr/bin/$program leads outside the package: $(readlink "$root/usr/bin/$program")" ;;
  esac
  [ -x "$target" ] || fail "/usr/bin/$program leads to no program: $target"
done
folder=$(dirname "$(readlink -f "$root/usr/bin/lomandra")")
for file in lomandra lomandra-merge HAND-M.CUR x/o.cjs Samples/sample1.xls; do
  [ -f "$folder/$file" ] || fail "the program folder lacks $file"
done

# lomandra-merge, run from PATH on the installed sample.
PATH=$root/usr/bin:$PATH
export PATH
out=$(lomandra-merge "$folder/Samples/sample1.xls" "'Staff List'!\$A\$1:\$B\$2") ||
  fail "lomandra-merge on the sample failed"
expected=$(printf 'Name\nDepartment\nAda Lovelace\nResearch')
[ "$out" = "$expected" ] || fail "lomandra-merge on the sample printed: $out"
[ "$(lomandra-merge --version)" = "lomandra-merge $version" ] ||
  fail "lomandra-merge --version printed \"$(lomandra-merge --version)\", the package is $version"

# The desktop entry: clean for desktop-file-validate, its command and icon in the package, and
# its command opens the window (still running after a few seconds, under the offscreen platform).
desktop=$root/usr/share/applications/com.quillbrook.lomandra.desktop
[ -f "$desktop" ] || fail "no desktop entry"
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
  [ -f "$root/usr/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon \"$icon\""
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon \"$icon\""
command=$(sed -n 's/^Exec=//p' "$desktop")
mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
status=0
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
  timeout 5 $command >"$work/window.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$work/window.log" >&2; fail "\"$command\" ended at once (status $status)"; }

# The AppStream metainfo, with the desktop entry and icons it names, as software centres read it.
report=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree: $report"

# The manual pages render without a single groff warning.
for page in lomandra lomandra-merge; do
  file=$root/usr/share/man/man1/$page.1.gz
  [ -f "$file" ] || fail "no manual page $page.1.gz"
  warnings=$(gzip -dc "$file" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  gzip -dc "$file" | grep -q "Lomandra $version" || fail "$page.1 does not name version $version"
done
echo "package checked: $(wc -l <"$work/files") entries"
