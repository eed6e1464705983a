#!/usr/bin/env bash
# The Debian package as an operator gets it. scripts/package turns this
# build into kestrane_<version>_<arch>.deb (and lints it when lintian is
# there); its fields and files are checked, then it is unpacked into a
# scratch root and run from there for an account with a fresh home that
# cannot write the program's folder. The installed programs then keep
# settings and COMn links in ~/.config/kestrane: kestrane-link reaches a
# kestrane-sim linked there, and the console (given an X display) writes its
# KSConfig.ini there, and after a restart with a job drills a hole on a
# click on start and saves Hole there.
# Usage: install_test.sh REPO BUILD_DIR      exit 77: cannot run here
set -euo pipefail
repo=$1 build=$2
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@"; do (( SECONDS < until )) || return 1; sleep 0.1; done
}

for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup installs it): no package can be built"
done
[[ -x $build/programs/kestrane-dxf2nc ]] || fail "$build holds no built programs"
gui=0
[[ -x $build/programs/kestrane ]] && gui=1

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-install.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]+"${pids[@]}"}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]+"${pids[@]}"}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# --- The package and what it says of itself.
deb=$("$repo/scripts/package" --build-dir "$build" "$work/out" 2>"$work/package.log") || {
  cat "$work/package.log" >&2
  fail "scripts/package failed"
}
sed 's/^/  /' "$work/package.log"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ $(dpkg-deb -f "$deb" Package) == kestrane ]] || fail "package name $(dpkg-deb -f "$deb" Package)"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "version $(dpkg-deb -f "$deb" Version), built $version"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* ]] || fail "Depends lacks the C library: $depends"
if [[ $gui == 1 && ( $depends != *libqt6widgets6* || $depends != *fonts-wqy-microhei* ) ]]; then
  fail "Depends lacks Qt or the Chinese font: $depends"
fi
# Publishing to a shop's broker needs the MQTT client library, never a broker.
if [[ $gui == 1 && $depends != *libmosquitto1* ]]; then fail "Depends lacks the MQTT client library: $depends"; fi
if grep -qE '(^|, )mosquitto( |,|$)' <<<"$depends"; then fail "Depends names the broker: $depends"; fi

# Every file where a Debian system looks for it, owned by root, nothing
# outside /usr.
dpkg-deb -c "$deb" >"$work/contents"
want=(usr/bin/kestrane-sim usr/bin/kestrane-dxf2nc usr/bin/kestrane-link usr/bin/kestrane-report
      usr/share/man/man1/kestrane-sim.1.gz usr/share/man/man1/kestrane-dxf2nc.1.gz
      usr/share/man/man1/kestrane-link.1.gz usr/share/man/man1/kestrane-report.1.gz
      usr/share/kestrane/samples/plate.dxf
      usr/share/doc/kestrane/copyright usr/share/doc/kestrane/changelog.gz usr/share/doc/kestrane/README.md.gz
      usr/share/kestrane/shop/index.html usr/share/kestrane/shop/dashboard.js
      usr/share/kestrane/shop/vendor/mqtt.min.js usr/share/kestrane/shop/vendor/mqtt.LICENSE.md)
if [[ $gui == 1 ]]; then
  want+=(usr/bin/kestrane usr/share/man/man1/kestrane.1.gz usr/share/applications/kestrane.desktop
         usr/share/icons/hicolor/scalable/apps/kestrane.svg)
fi
for f in "${want[@]}"; do
  awk '{print $6}' "$work/contents" | grep -qx "\./$f" || fail "the package has no /$f"
done
awk '$2 != "root/root" || ($6 != "./" && $6 !~ /^\.\/usr\//)' "$work/contents" >"$work/odd"
[[ ! -s $work/odd ]] || fail "files outside /usr or not owned by root: $(head -n3 "$work/odd")"

# --- Unpacked as dpkg would install it, run by an operator account with a
# fresh home that cannot write the program's folder: as root that is nobody
# (the unpacked tree stays root's), otherwise the account itself with the
# tree made read-only.
root=$work/root
bin=$root/usr/bin
dpkg-deb -x "$deb" "$root"
chmod 755 "$work"
run=$work/run            # the operator's home and scratch files
mkdir -p "$run/home"
if [[ $(id -u) == 0 ]]; then
  command -v setpriv >/dev/null || skip "setpriv is missing: cannot run the installed programs as an operator account"
  id nobody >/dev/null 2>&1 || skip "no account 'nobody' to run the installed programs as"
  as_operator=(setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups --)
  chown -R nobody:"$(id -gn nobody)" "$run"
else
  as_operator=()
  chmod -R a-w "$root"
  trap 'chmod -R u+w "$root" 2>/dev/null; cleanup' EXIT
fi
op() { "${as_operator[@]+"${as_operator[@]}"}" "$@"; }
# In the background: exec, so that $! is the program itself and can be ended.
op_exec() { exec "${as_operator[@]+"${as_operator[@]}"}" "$@"; }
export HOME=$run/home
unset XDG_CONFIG_HOME
config=$HOME/.config/kestrane
! op test -w "$bin" || fail "the operator account can write $bin: the test would prove nothing"

job=$(op "$bin/kestrane-dxf2nc" --min 0.3 --max 7 --out "$run" "$root/usr/share/kestrane/samples/plate.dxf") ||
  fail "kestrane-dxf2nc on the installed sample drawing"
[[ -s $job ]] || fail "no job written: $job"

# The simulated machine where an operator links the real one (README,
# "Installing"): short drilling, fast axes, so that a hole takes moments.
op mkdir -p "$config"
op_exec "$bin/kestrane-sim" --link "$config/COM1" --drill-ms 150 --speed-scale 12000 --log "$run/sim.log" \
  2>"$run/sim.err" &
pids+=($!)
wait_for 10 test -L "$config/COM1" || fail "no simulator link: $(cat "$run/sim.err")"
op "$bin/kestrane-link" COM1 status >"$run/link.out" 2>&1 ||
  fail "kestrane-link COM1 did not reach $config/COM1: $(cat "$run/link.out")"
grep -q '^moving' "$run/link.out" || fail "kestrane-link status: $(cat "$run/link.out")"
op "$bin/kestrane-link" ports >"$run/ports.out" 2>&1 || fail "kestrane-link ports: $(cat "$run/ports.out")"
grep -q "^  COM1 -> " "$run/ports.out" || fail "kestrane-link ports shows no COM1: $(cat "$run/ports.out")"

if [[ $gui == 0 ]]; then
  echo "install: package and tools OK (no console in this build)"
elif [[ -z ${DISPLAY:-} ]]; then
  echo "install: package and tools OK; SKIP the console: no X display (run under xvfb-run)"
elif ! command -v xdotool >/dev/null; then
  echo "install: package and tools OK; SKIP the console: xdotool is missing (scripts/setup installs it)"
else
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/kestrane.desktop" || fail "desktop entry"
  fi
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/kestrane.desktop")
  [[ -x $bin/$exec_name ]] || fail "the desktop entry starts '$exec_name', which the package lacks"
  # The X server's key, readable by the operator account.
  if [[ -n ${XAUTHORITY:-} ]]; then
    cp "$XAUTHORITY" "$HOME/.Xauthority"
    [[ ${#as_operator[@]} == 0 ]] || chown nobody "$HOME/.Xauthority"
  fi
  count() { grep -c " $1\( \|$\)" "$run/sim.log" 2>/dev/null || true; }
  more_than() { (( $(count "$1") > $2 )); }
  console() {  # starts the console as the menu does, for the operator
    XAUTHORITY=$HOME/.Xauthority op_exec "$bin/$exec_name" >>"$run/console.log" 2>&1 &
    console_pid=$!
    pids+=($console_pid)
  }

  # First start: the settings file appears in the configuration folder.
  console
  wait_for 30 test -f "$config/KSConfig.ini" || fail "no settings file in $config: $(cat "$run/console.log")"
  wait_for 20 more_than unlock 0 || fail "the console's start-up did not reach COM1 in $config: $(cat "$run/console.log")"
  grep -q $'^Com=1\r$' "$config/KSConfig.ini" || fail "settings file: $(cat "$config/KSConfig.ini")"
  [[ ! -e $bin/KSConfig.ini ]] || fail "the installed console wrote beside itself"
  kill "$console_pid"
  wait "$console_pid" 2>/dev/null || true

  # Second start with the job chosen: a click on start drills the first
  # hole, and Hole is saved in the configuration folder.
  op sed -i "s|^DirNCPath=.*\r$|DirNCPath=$job\r|; s|^Hole=.*\r$|Hole=0\r|" "$config/KSConfig.ini"
  grep -q "^DirNCPath=$job"$'\r$' "$config/KSConfig.ini" || fail "no DirNCPath in $(cat "$config/KSConfig.ini")"
  unlocks=$(count unlock)
  console
  wid=$(timeout 20 xdotool search --sync --name "加工文件" | head -n1) || fail "no main window: $(cat "$run/console.log")"
  titled() { [[ $(xdotool getwindowname "$wid") == *"$job" ]]; }
  wait_for 20 titled || fail "job not loaded: $(xdotool getwindowname "$wid"); log: $(cat "$run/console.log")"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  wait_for 20 more_than unlock "$unlocks" || fail "the second start-up did not reach the simulator"
  # The first paint loads the job, and a start before it finds none: wait
  # until the list shows the job's rows (green on the list's blue).
  listed() {
    [[ $(import -window "$wid" png:- 2>/dev/null | convert png:- -fill black +opaque '#7FFF50' -fill white \
         -opaque '#7FFF50' -format '%[fx:maxima>0]' info: 2>/dev/null) == 1 ]]
  }
  wait_for 20 listed || fail "the job's holes never showed in the console's list"
  drills=$(count drill)
  xdotool mousemove --sync $((X + 949)) $((Y + 678)) click 1   # "停止/启动"
  wait_for 30 more_than drill "$drills" || fail "no hole drilled after start"
  wait_for 30 grep -q $'^Hole=1\r$' "$config/KSConfig.ini" ||
    fail "Hole not saved in $config: $(grep Hole "$config/KSConfig.ini")"
  kill -0 "$console_pid" || fail "the console ended: $(cat "$run/console.log")"
  ! grep -q 'cannot' "$run/console.log" || fail "console: $(cat "$run/console.log")"
  # The installed report tool reads the job's record there and writes the
  # report beside it, with its charting library inside.
  record=$(ls "$config"/records/*.csv 2>/dev/null | head -n1)
  [[ -n $record ]] || fail "no job record in $config/records"
  op "$bin/kestrane-report" "$record" >"$run/report.out" 2>&1 || fail "kestrane-report: $(cat "$run/report.out")"
  grep -q 'echarts' "${record%.csv}.html" || fail "no report with its charting library beside $record"
  echo "install: package, tools and console OK (as $(op id -un), settings in ~/.config/kestrane)"
fi
echo "install: $(basename "$deb"), $(stat -c %s "$deb") bytes, $SECONDS s"
