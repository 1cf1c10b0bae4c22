#!/usr/bin/env bash
# check_install.sh BUILD_DIR STAGING_DIR
# Installs the build into STAGING_DIR/usr and checks what a desktop needs:
# the binary, the desktop entry, the metainfo, the icon at every size, and
# nothing of the developer tools.
set -euo pipefail
build=$1
staging=$2
rm -rf "$staging"
cmake --install "$build" --prefix "$staging/usr" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
usr=$staging/usr
[ -x "$usr/bin/vokari-tool" ] || fail "no executable usr/bin/vokari-tool"
[ ! -e "$usr/bin/vokari-sim" ] || fail "the simulator must not be installed"
desktop=$usr/share/applications/org.vokari.Tool.desktop
metainfo=$usr/share/metainfo/org.vokari.Tool.metainfo.xml
[ -f "$desktop" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no metainfo"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -qx 'Exec=vokari-tool' "$desktop" || fail "Exec is not the installed binary"
grep -qx 'Icon=org.vokari.Tool' "$desktop" || fail "Icon name differs from the installed icon"

for size in 32 48 64 96 128; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/org.vokari.Tool.png
  [ -f "$icon" ] || fail "no ${size}px icon"
  # Width and height from the PNG header (IHDR at byte 16).
  dims=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$icon")
  [ "$dims" = "${size}x${size}" ] || fail "icon $icon is $dims"
done

unexpected=$(cd "$usr" && find . -type f | grep -v -E '^\./(bin/vokari-tool|share/applications/|share/metainfo/|share/icons/hicolor/)' || true)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"
echo "install tree OK"
