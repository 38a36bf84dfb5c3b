#!/usr/bin/env bash
# The Debian package built from this build tree: its files, its control fields, the desktop files
# it ships, and the packaged programs running from an unpacked copy (never installed here).
. "$(dirname "$0")/lib.sh"
: "${VARNOPILE_BINARY_DIR:?}" "${VARNOPILE_SOURCE_DIR:?}"

version=$(sed -n 's/^project(Varnopile VERSION \([0-9.]*\).*/\1/p' "$VARNOPILE_SOURCE_DIR/CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
arch=$(dpkg --print-architecture)

cpack -B "$E2E_TMP/pkg" --config "$VARNOPILE_BINARY_DIR/CPackConfig.cmake" >"$E2E_TMP/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$E2E_TMP/cpack.log")"
deb=$E2E_TMP/pkg/varnopile_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$E2E_TMP/pkg")"

# Exactly these files, root-owned, with these modes; no directory that holds none of them.
expected_files=$(sort <<EOF
/usr/bin/varnopile 755
/usr/bin/varnopile-convert 755
/usr/share/applications/varnopile.desktop 644
/usr/share/metainfo/varnopile.metainfo.xml 644
/usr/share/icons/hicolor/scalable/apps/varnopile.svg 644
/usr/share/icons/hicolor/32x32/apps/varnopile.png 644
/usr/share/icons/hicolor/48x48/apps/varnopile.png 644
/usr/share/icons/hicolor/64x64/apps/varnopile.png 644
/usr/share/icons/hicolor/128x128/apps/varnopile.png 644
/usr/share/icons/hicolor/256x256/apps/varnopile.png 644
EOF
)
listing=$(dpkg-deb --contents "$deb") || fail "dpkg-deb cannot list the package"
mode_of() { # rwxr-xr-x -> 755
  local bits=$1 n d=0 out=""
  for n in 0 3 6; do
    d=0
    [ "${bits:n:1}" = r ] && d=$((d + 4)); [ "${bits:n+1:1}" = w ] && d=$((d + 2)); [ "${bits:n+2:1}" = x ] && d=$((d + 1))
    out+=$d
  done
  echo "$out"
}
actual_files="" dirs=()
while read -r perms owner _size _date _time path _rest; do
  [ "$owner" = root/root ] || fail "$path is owned by $owner"
  path=${path#.}
  case $perms in
    d*) dirs+=("${path%/}") ;;
    -*) actual_files+="$path $(mode_of "${perms:1}")"$'\n' ;;
    *) fail "not a plain file or directory: $perms $path" ;;
  esac
done <<<"$listing"
actual_files=$(sort <<<"${actual_files%$'\n'}")
[ "$actual_files" = "$expected_files" ] ||
  fail "files in the package differ:"$'\n'"$(diff <(echo "$expected_files") <(echo "$actual_files"))"
for d in "${dirs[@]}"; do
  grep -q "^$d/" <<<"$expected_files" || fail "directory with none of our files: $d"
done

# Control fields: ours, and runtime dependencies only, each one satisfied by what is installed here.
field() { dpkg-deb --field "$deb" "$1"; }
while IFS='|' read -r name want; do
  got=$(field "$name" | head -1)
  [ "$got" = "$want" ] || fail "$name is '$got', expected '$want'"
done <<EOF
Package|varnopile
Version|$version
Architecture|$arch
Section|utils
Maintainer|Tormvale <maintainers@tormvale.example>
Description|$(sed -n 's/^project(Varnopile .*DESCRIPTION "\([^"]*\)".*/\1/p' "$VARNOPILE_SOURCE_DIR/CMakeLists.txt")
EOF
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"
depends=$(field Depends)
names=$(sed 's/^ *//; s/ .*//' <<<"${depends//[,|]/$'\n'}")
for needed in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins libc6 libstdc++6; do
  grep -Fxq "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
satisfied() { # one "name (op version)" against the installed packages
  local name=${1%% *} rel=${1#* } have
  have=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null) || return 1
  [[ $have == "install ok installed "* ]] || return 1
  [ "$rel" = "$1" ] && return 0
  rel=${rel#(}; rel=${rel%)}
  dpkg --compare-versions "${have##* }" "${rel%% *}" "${rel#* }"
}
IFS=, read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
  ok=
  IFS='|' read -ra alternatives <<<"$clause"
  for alt in "${alternatives[@]}"; do
    alt=$(xargs <<<"$alt")
    [[ ${alt%% *} == *-dev ]] && fail "Depends names a development package: $alt"
    satisfied "$alt" && ok=1
  done
  [ -n "$ok" ] || fail "dependency not satisfied by this machine: $clause"
done

# Unpack, and look at what would land on a user's disk.
root=$E2E_TMP/root
dpkg-deb --extract "$deb" "$root" || fail "dpkg-deb cannot unpack the package"
for bin in varnopile varnopile-convert; do
  dyn=$(readelf --dynamic "$root/usr/bin/$bin") || fail "$bin is not an ELF file"
  grep -Eq 'RPATH|RUNPATH' <<<"$dyn" && fail "$bin carries a library path: $(grep -E 'RPATH|RUNPATH' <<<"$dyn")"
  readelf --section-headers "$root/usr/bin/$bin" | grep -q '\.debug_' && fail "$bin is not stripped"
  for dir in "$VARNOPILE_SOURCE_DIR" "$VARNOPILE_BINARY_DIR"; do
    grep -qF "$dir" "$root/usr/bin/$bin" && fail "$bin names the build machine's $dir"
  done
done
out=$("$root/usr/bin/varnopile-convert" --to upper <<<"abc") || fail "packaged varnopile-convert failed"
[ "$out" = ABC ] || fail "packaged varnopile-convert wrote '$out'"

apps=$root/usr/share/applications
desktop-file-validate "$apps/varnopile.desktop" || fail "desktop entry does not validate"
# The id stays the desktop file's own name, varnopile, rather than a reverse-DNS one.
report=$(appstreamcli validate --no-net "$root/usr/share/metainfo/varnopile.metainfo.xml" 2>&1)
grep -E '^[EW]:' <<<"$report" | grep -v 'cid-desktopapp-is-not-rdns' | grep -q . && fail "metainfo: $report"
grep -q 'summary xml:lang="ja"' "$root/usr/share/metainfo/varnopile.metainfo.xml" || fail "no Japanese summary"

# The pieces point at each other: Exec at a packaged program, Icon at the packaged icons,
# the metainfo at the desktop entry; every PNG is as large as its folder says.
entry() { sed -n "s/^$1=//p" "$apps/varnopile.desktop"; }
[ -x "$root/usr/bin/$(entry Exec | cut -d' ' -f1)" ] || fail "Exec=$(entry Exec) is not a packaged program"
for key in 'Name\[ja\]' 'GenericName\[ja\]' 'Comment\[ja\]' 'Keywords\[ja\]'; do
  [ -n "$(entry "$key")" ] || fail "desktop entry lacks $key"
done
icon=$(entry Icon)
for png in "$root"/usr/share/icons/hicolor/*x*/apps/"$icon".png; do
  [ -f "$png" ] || fail "no PNG icon named $icon"
  dir=$(basename "$(dirname "$(dirname "$png")")")
  # Width and height are the big-endian words at bytes 16 and 20 of the PNG header.
  size=$(od -An -tu1 -j16 -N8 "$png" | awk '{printf "%dx%d", $3*256+$4, $7*256+$8}')
  [ "$size" = "$dir" ] || fail "$png is $size"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon named $icon"
grep -q "<launchable type=\"desktop-id\">varnopile.desktop</launchable>" \
  "$root/usr/share/metainfo/varnopile.metainfo.xml" || fail "metainfo does not name varnopile.desktop"

# The packaged program opens its window and hands its icon to the window manager.
start_xvfb
export VARNOPILE_BIN=$root/usr/bin/varnopile
start_varnopile
wait_until 20 has_window "$VP_PID" || fail "the packaged program shows no window"
# _NET_WM_ICON is width, height, then width x height ARGB pixels.
words=$(xprop -len 1000000 -id "$(window_of "$VP_PID")" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= *//' | tr ',' '\n' | tr -d ' ')
[ "$(head -2 <<<"$words" | xargs)" = "256 256" ] || fail "window icon: $(head -c 80 <<<"$words" | xargs)"
[ "$(wc -l <<<"$words")" -eq $((2 + 256 * 256)) ] || fail "window icon has $(wc -l <<<"$words") words"
[ "$(tail -n +3 <<<"$words" | grep -vcx 0)" -gt 10000 ] || fail "window icon is blank"
echo "1 passed, 0 failed"
