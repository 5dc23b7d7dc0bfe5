#!/usr/bin/env bash
# Checks the Debian package made by `make package`: its contents, its desktop
# entry and AppStream metadata, and that the unpacked vok-sim runs on the
# unpacked sample.
#
# Usage: check-package.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
build=${1:-build/release}
deb=$(ls "$build"/vok_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  echo "check-package: no vok_*.deb in $build (run make package)" >&2
  exit 1
fi
echo "check-package: $deb, $(stat -c %s "$deb") bytes"
echo "check-package: Depends: $(dpkg-deb -f "$deb" Depends)"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
status=0
for f in ./usr/bin/vok ./usr/bin/vok-sim \
         ./usr/share/man/man1/vok.1 ./usr/share/man/man1/vok-sim.1 \
         ./usr/share/vok/pic.bmp ./usr/share/vok/encoder.vok ./usr/share/vok/decoder.vok \
         ./usr/share/icons/hicolor/scalable/apps/vok.svg; do
  grep -qxF "$f" <<<"$listing" || { echo "check-package: missing $f" >&2; status=1; }
done
for size in 16 32 48 64 128 256; do
  f=./usr/share/icons/hicolor/${size}x${size}/apps/vok.png
  grep -qxF "$f" <<<"$listing" || { echo "check-package: missing $f" >&2; status=1; }
done
grep -q '^\./usr/share/applications/.*\.desktop$' <<<"$listing" ||
  { echo "check-package: no desktop entry" >&2; status=1; }
grep -q '^\./usr/share/metainfo/.*\.metainfo\.xml$' <<<"$listing" ||
  { echo "check-package: no AppStream metadata" >&2; status=1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6gui6 ||
  { echo "check-package: dependencies were not found by dpkg-shlibdeps" >&2; status=1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
"$root/usr/bin/vok" --help >/dev/null
if command -v man >/dev/null; then
  man -l "$root/usr/share/man/man1/vok-sim.1" >/dev/null 2>&1 ||
    { echo "check-package: vok-sim.1 does not format" >&2; status=1; }
fi
out=$("$root/usr/bin/vok-sim" run --dir "$root/usr/share/vok" --json)
grep -q '"event":"init","status":"ok"' <<<"$out" ||
  { echo "check-package: the unpacked vok-sim run failed: $out" >&2; status=1; }
grep -q '"decoderErrorRate":"0.00e+000"' <<<"$out" ||
  { echo "check-package: the unpacked run did not decode the sample: $out" >&2; status=1; }
# A picture of another format: vok-sim loads Qt's decoder from its module.
module=$(grep -m1 '/vok/vok-picture-import\.so$' <<<"$listing" || true)
[ -n "$module" ] || { echo "check-package: no picture import module" >&2; status=1; }
out=$("$root/usr/bin/vok-sim" run --dir "$root/usr/share/vok" --json \
  --picture "$root/usr/share/icons/hicolor/64x64/apps/vok.png" || true)
grep -q '"event":"init","status":"ok","width":64,"height":64' <<<"$out" ||
  { echo "check-package: the unpacked vok-sim did not read a PNG: $out" >&2; status=1; }
[ $status -eq 0 ] && echo "check-package: ok"
exit $status
