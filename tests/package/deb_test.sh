#!/bin/sh
# The Debian package, as a user gets it: built by CPack into a scratch folder, its control data read, unpacked
# with dpkg-deb -x into a scratch root, every file looked for where the desktop entry and the programs look for
# it, then the programs run from there. Needs DV_BUILD_DIR, DV_SOURCE_DIR and DV_VERSION.
set -eu
scratch=$(mktemp -d "${TMPDIR:-/tmp}/dvdeb-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# CPack installs what the build made (no build of its own: the programs are there already).
cpack --config "$DV_BUILD_DIR/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb="$scratch/out/dorvane_${DV_VERSION}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$scratch/out")"

# Control data: the run-time dependencies come from the linked libraries.
for field in Package Version Architecture; do dpkg-deb -f "$deb" "$field" >>"$scratch/control"; done
printf 'dorvane\n%s\n%s\n' "$DV_VERSION" "$(dpkg --print-architecture)" | diff - "$scratch/control" ||
  fail "control fields"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6network6 libpcre2-8-0 libqt6svg6 xdg-utils; do
  case " $depends," in *" $lib "* | *" $lib,"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
# Everything under /usr, nothing under /usr/local.
[ "$(ls -A "$root")" = usr ] || fail "top-level folders: $(ls -A "$root")"
[ ! -e "$root/usr/local" ] || fail "files under /usr/local"

for program in dorvane dorvane-cli VORizivuzuvi; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing"
done
# The desktop entry's program and icon, by the names it gives.
entry="$root/usr/share/applications/dorvane.desktop"
[ -f "$entry" ] || fail "no desktop entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in usr/bin"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
# The resources where the program looks beside itself: <bin>/../share/dorvane, the same files as the sources'.
(cd "$DV_SOURCE_DIR/resources" && find . -type f ! -name '*.desktop' | sort) >"$scratch/want"
(cd "$root/usr/share/dorvane" && find . -type f | sort) | diff "$scratch/want" - || fail "share/dorvane differs"
# The manual page, compressed, rendering without a warning; the completion where bash-completion loads it.
man="$root/usr/share/man/man1/dorvane-cli.1.gz"
gzip -t "$man" || fail "manual page is not gzip"
gzip -dc "$man" | groff -man -Tutf8 -ww -z 2>"$scratch/groff" && [ ! -s "$scratch/groff" ] ||
  fail "manual page: $(cat "$scratch/groff")"
gzip -dc "$man" | grep -q -- '\\-\\-view hierarchical|dos|csv|sortable|json' || fail "manual page lacks --view"
completion="$root/usr/share/bash-completion/completions/dorvane-cli"
bash -c ". '$completion' && complete -p dorvane-cli" >/dev/null || fail "completion does not load"

# The programs run from the scratch root, with settings and temporary folders of the test's own, no display.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
[ "$("$root/usr/bin/dorvane" --version)" = "dorvane $DV_VERSION" ] || fail "dorvane --version"
[ "$("$root/usr/bin/dorvane-cli" --version)" = "dorvane-cli $DV_VERSION" ] || fail "dorvane-cli --version"
tree="$scratch/tree"
mkdir -p "$tree/sub"
printf 'abc' >"$tree/a.txt"
printf '12345' >"$tree/sub/b.doc"
"$root/usr/bin/dorvane-cli" report --view csv --columns size,type --size-unit bytes "$tree" >"$scratch/report"
printf 'Size(Byte),File Type,Name\r\n3,TXT File,%s/a.txt\r\n5,File Folder,%s/sub\r\n5,DOC File,%s/sub/b.doc\r\n' \
  "$tree" "$tree" "$tree" | cmp - "$scratch/report" || fail "report: $(cat "$scratch/report")"
echo "package $(basename "$deb") installs and runs"
