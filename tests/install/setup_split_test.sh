#!/usr/bin/env bash
# scripts/run installs only what the console needs: on a fresh machine the
# window must not wait for Wine, mingw, clang, Chromium or the test tools,
# which scripts/test installs. Usage: setup_split_test.sh REPO
set -euo pipefail
repo=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
run=$("$repo/scripts/setup" --print run)
all=$("$repo/scripts/setup" --print all)
for needed in cmake ninja-build g++ qt6-base-dev libqt6opengl6-dev libglu1-mesa-dev qt6-l10n-tools \
              fonts-wqy-microhei fonts-dejavu-core qt6-translations-l10n xvfb xauth; do
  grep -qx "$needed" <<<"$run" || fail "the console's set lacks $needed"
done
for heavy in wine64 g++-mingw-w64-x86-64-posix clang libclang-rt-14-dev chromium chromium-driver lintian \
             libgtest-dev libbenchmark-dev mosquitto npm python3-ezdxf; do
  grep -qx "$heavy" <<<"$run" && fail "the console's set installs $heavy, which only the tests need"
  grep -qx "$heavy" <<<"$all" || fail "the full set lacks $heavy"
done
while read -r p; do grep -qx "$p" <<<"$all" || fail "the full set lacks $p of the console's"; done <<<"$run"
grep -q '^scripts/setup --run$' "$repo/scripts/run" || fail "scripts/run does not install the console's set alone"
grep -q -- '--target kestrane kestrane-sim kestrane-dxf2nc' "$repo/scripts/run" || fail "scripts/run builds more than it runs"
echo "setup split: $(wc -l <<<"$run") packages for the console, $(wc -l <<<"$all") in all"
