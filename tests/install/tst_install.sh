#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a desktop and the installed program need.
set -uo pipefail
build=$1 driver=$2
t=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$t"' EXIT
pid=
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$t/usr" > "$t/install.log" || fail "cmake --install"
p=$t/usr
id=org.tonedeck.Tonedeck
for f in bin/tonedeck lib/tonedeck/libpskcore.so share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png share/tonedeck/Help/Index.htm; do
  [ -e "$p/$f" ] || fail "not installed: $f"
done
[ -d "$p/share/tonedeck/Scripts" ] && [ -d "$p/share/tonedeck/Modems" ] || fail "Scripts, Modems"
desktop-file-validate "$p/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$p/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"

# Help pages: valid HTML, every local link and picture present.
for page in Index Macros GeneralSettings DisplaySettings PTTSettings SoundcardPSKSettings \
            SoundcardRTTYSettings RTTYModemSettings; do
  f=$p/share/tonedeck/Help/$page.htm
  [ -f "$f" ] || fail "missing help page $page.htm"
  tidy -e -q "$f" || fail "tidy: $page.htm"
  for link in $(grep -oE '(href|src)="[^"#:]+"' "$f" | sed -E 's/^[a-z]+="(.*)"$/\1/'); do
    [ -e "$p/share/tonedeck/Help/$link" ] || fail "$page.htm links to missing $link"
  done
done

# The installed program starts in a fresh home and keeps running.
export HOME=$t/home XDG_CONFIG_HOME=$t/home/.config XDG_DATA_HOME=$t/home/.local/share
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/Tonedeck"
printf '[General]\nCallsign=Q0CALL\n' > "$XDG_CONFIG_HOME/Tonedeck/Tonedeck.ini"
"$p/bin/tonedeck" > "$t/run.log" 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || { cat "$t/run.log"; fail "the installed program did not keep running"; }
kill "$pid"; wait "$pid" 2>/dev/null; pid=

cp "$driver" "$p/bin/" || fail "copying the help driver"
"$p/bin/$(basename "$driver")" || fail "help from the installed program"
echo "PASS"
