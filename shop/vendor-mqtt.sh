#!/usr/bin/env bash
# Vendors the browser MQTT client (MQTT.js, npm package "mqtt") into the
# dashboard folder OUT_DIR/vendor at build time: the page never loads code
# from the internet. The package is taken from the npm registry by npm (its
# cache answers later builds) and must match the pinned integrity.
# Usage: shop/vendor-mqtt.sh OUT_DIR
set -euo pipefail
version=5.16.1
integrity=sha512-9aEaiR/mLblsMAiynD8quhcGTaINdta2bdyknAtfVzESfoe6Ncdh/uEs5p+3zqcTEtgYErwL4pNk0QkAynXxlg==

out=${1:?usage: vendor-mqtt.sh OUT_DIR}
command -v npm >/dev/null || { echo "vendor-mqtt.sh: npm is missing (scripts/setup installs it)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/ks-mqttjs.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent --no-fund --no-audit "mqtt@$version" >/dev/null) ||
  { echo "vendor-mqtt.sh: npm could not fetch mqtt@$version from its registry" >&2; exit 1; }
tarball=$work/mqtt-$version.tgz
got="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
[[ $got == "$integrity" ]] || { echo "vendor-mqtt.sh: mqtt-$version.tgz is not the pinned package ($got)" >&2; exit 1; }
tar -xzf "$tarball" -C "$work" package/dist/mqtt.min.js package/LICENSE.md
mkdir -p "$out/vendor"
cp "$work/package/dist/mqtt.min.js" "$out/vendor/mqtt.min.js"
cp "$work/package/LICENSE.md" "$out/vendor/mqtt.LICENSE.md"
