# Sourced by scripts/test-windows: the console kestrane.exe under Wine on the
# virtual screen, against kestrane-sim as COM1, worked from outside. Uses
# pass/fail, start_sim/stop_sim, $com1, $native, $build and $work of
# test-windows and the helpers of wine-console.sh.

cdir=$work/console
csim=$cdir/sim.log
settings=$cdir/KSConfig.ini
title_zh="Kestrane 分体机Ver19.2  加工文件:"
title_en="Kestrane split-type Ver19.2  Job file:"

# The places of the job's holes as "X Y" lines (no two holes share one),
# and the places where a simulator log saw drilling start, in order.
job_holes() { tr -d '\r' <"$cdir/plate00.NC" | sed -nE 's/^N[0-9]+ +X(-?[0-9]+) +Y(-?[0-9]+).*/\1 \2/p'; }
drills() { sed -nE 's/^[0-9]+ 1 drill hole=[0-9]+ x=(-?[0-9]+) y=(-?[0-9]+).*/\1 \2/p' "$@"; }
drill_count() { drills "$1" 2>/dev/null | wc -l; }
saved_hole() { tr -d '\r' <"$settings" | sed -n 's/^Hole=//p'; }
# Conditions for wc_wait, looked at afresh on each try.
drilled_at_least() { [ "$(tail -n +"${3:-1}" "$2" 2>/dev/null | drills | wc -l)" -ge "$1" ]; }
hole_saved() { [ "$(saved_hole)" = "$1" ]; }
drilled_at() { [[ $'\n'"$(drills "$2" 2>/dev/null)"$'\n' == *$'\n'"$1"$'\n'* ]]; }
windows_more_than() { [ "$(xdotool search --onlyvisible --classname kestrane.exe 2>/dev/null | wc -l)" -gt "$1" ]; }

# console_up LANG_ENV TITLE [ARGS]: kestrane.exe from $cdir with the locale
# LANG_ENV (Wine's display language), up to its main window, whose title
# must start with TITLE. A Wine start that died before the program ran (no
# window, nothing sent to the simulator) is started once more, and said so.
console_up() {
  local env=$1 title=$2 attempt sent
  shift 2
  for attempt in 1 2; do
    sent=$(wc -l <"$csim" 2>/dev/null || echo 0)
    (cd "$cdir" && LC_ALL=$env exec "$wine" kestrane.exe "$@") >"$cdir/console.log" 2>&1 &
    console_pid=$!
    if wc_find_main 60; then
      [[ "$(xdotool getwindowname "$wc_wid")" == "$title"* ]]
      return
    fi
    if kill -0 "$console_pid" 2>/dev/null || [ "$(wc -l <"$csim" 2>/dev/null || echo 0)" -gt "$sent" ]; then
      return 1
    fi
    wait "$console_pid"
    echo "note: Wine's start of kestrane.exe ended (exit $?) before the program ran; starting it once more"
    console_pid=
  done
  return 1
}

# console_close: the main window's close box ends the program.
console_close() {
  xdotool mousemove --sync $((X + WIDTH - (CX - X) - 10)) $((Y + (CX - X) + 9)) click 1
  local i
  for i in $(seq 1 400); do
    kill -0 "$console_pid" 2>/dev/null || { wait "$console_pid"; console_pid=; return 0; }
    sleep 0.05
  done
  return 1
}

# panel_round INDEX: launcher INDEX opens its panel and the panel's own
# button closes it.
panel_round() {
  wc_click "${wc_launcher_x[$1]}" $wc_launcher_y
  wc_wait 15 wc_panel_shown || return 1
  wc_close_panel "$1"
  wc_wait 15 wc_not wc_panel_shown
}

# wc_set_xy X_UM Y_UM: in 定位分中, X and Y typed in mm and each set by its
# button, then 确定. Panel client pixels are template units x 2 and x 620/314.
wc_set_xy() {
  wc_click "${wc_launcher_x[2]}" $wc_launcher_y
  wc_wait 15 wc_panel_shown || return 1
  local row py um
  for row in "349 $1" "417 $2"; do
    read -r py um <<<"$row"
    xdotool mousemove --sync $((X + 4 + 406)) $((Y + 52 + py)) click 1 key End shift+Home
    xdotool type "$(awk -v um="$um" 'BEGIN { printf "%.4f", um / 1000 }')"
    xdotool mousemove --sync $((X + 4 + 606)) $((Y + 52 + py)) click 1
    sleep 0.5
  done
  wc_close_panel 2
  wc_wait 15 wc_not wc_panel_shown
}

# map_shot OUT: the hole map frame of the window at client corner CX CY
# (template 102's frame: 735 x 617 pixels at 3, 30).
map_shot() { import -window root -crop "735x617+$((CX + 3))+$((CY + 30))" +repage "$1"; }

# linux_map OUT: the Linux console's map for the same job and view, from a
# program folder and simulator of its own.
linux_map() {
  local dir=$work/linux-console pid spid rc=1
  rm -rf "$dir" && mkdir -p "$dir" && cp "$native/kestrane" "$dir/"
  sed "s|^SaveNCPath=.*|SaveNCPath=$dir|; s|^DirNCPath=.*|DirNCPath=$dir/plate00.NC|" "$settings" >"$dir/KSConfig.ini"
  cp "$cdir/plate00.NC" "$dir/"
  "$native/kestrane-sim" --link "$dir/COM1" --log "$dir/sim.log" >/dev/null 2>&1 &
  spid=$!
  wc_wait 10 test -L "$dir/COM1" || { kill $spid; return 1; }
  "$dir/kestrane" --lang zh >"$dir/console.log" 2>&1 &
  pid=$!
  if wc_find_main 30; then
    # The Qt window has no frame here: its client area is the window.
    CX=$X CY=$Y
    # The first paint loads the job; its rows show green in the list.
    wc_wait 30 wc_listed "$wc_wid" && map_shot "$1" && rc=0
  fi
  kill $pid $spid 2>/dev/null
  wait $pid $spid 2>/dev/null
  return $rc
}

# ms_until_panel: clicks 加工参数 (it opens in any state) and prints the
# milliseconds until its panel is on screen (nothing after 30 s).
ms_until_panel() {
  local t0
  t0=$(date +%s%N)
  wc_click "${wc_launcher_x[1]}" $wc_launcher_y
  wc_wait 30 wc_panel_shown || return 1
  echo $((($(date +%s%N) - t0) / 1000000))
  wc_close_panel 1
  wc_wait 15 wc_not wc_panel_shown
}

# drilled_as_job FROM_LINE LOG [LOGS...]: the drills since line FROM_LINE of
# LOG (and all of the other logs) are the holes of the job: each at its
# hole's place, and every hole. With ONCE=1: each hole once, in job order.
drilled_as_job() {
  local from=$1 first=$2 got expected
  shift 2
  got=$( { tail -n +"$from" "$first"; [ $# -eq 0 ] || cat "$@"; } | drills)
  expected=$(job_holes)
  if [ "${ONCE:-0}" = 1 ]; then
    [ "$got" = "$expected" ]
  else
    [ "$(sort -u <<<"$got")" = "$(sort -u <<<"$expected")" ]
  fi
}

console_checks() {
  if [ ! -f "$build/programs/kestrane.exe" ] || [ ! -x "$native/kestrane-sim" ]; then
    fail "kestrane.exe against kestrane-sim: no console or no simulator"
    return
  fi
  # A windowed program that needs nothing beside it: Windows' own DLLs and
  # OpenGL's, the C and C++ runtime linked in.
  local exe=$build/programs/kestrane.exe headers dlls others
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  dlls=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
  others=$(tr ' ' '\n' <<<"$dlls" | grep -v '^$' |
           grep -vE '^(kernel32|user32|gdi32|advapi32|comctl32|comdlg32|shell32|ole32|setupapi|gdiplus|msimg32|msvcrt|opengl32|glu32)\.dll$' || true)
  if grep -qE '^Subsystem\s+00000002' <<<"$headers" && [ -n "$dlls" ] && [ -z "$others" ]; then
    pass "kestrane.exe: windowed program ($(stat -c %s "$exe") bytes) importing only $dlls"
  else
    fail "kestrane.exe: not a windowed program, or imports more than the system's DLLs: $dlls"
  fi

  wc_make_folder "$cdir" "$root/samples/plate.dxf" || { fail "console folder"; return; }
  local holes last last_place
  holes=$(job_holes | wc -l)
  last=$holes
  last_place=$(job_holes | tail -n1)
  start_sim --drill-ms 200 --speed-scale 12000 --log "$csim" || { fail "simulator for the console"; return; }

  # The Linux console's map of the same job and view first: the two must
  # not share the screen.
  linux_map "$work/map-linux.png" || fail "Linux console's hole map (log: $work/linux-console/console.log)"

  if ! console_up zh_CN.UTF-8 "$title_zh"; then
    fail "kestrane.exe: no Chinese main window (title '$(xdotool getwindowname "$wc_wid" 2>/dev/null)', log: $cdir/console.log)"
    stop_console
    return
  fi
  if [ "$(xdotool getwindowname "$wc_wid")" = "${title_zh}---------Z:$(tr / '\\' <<<"$cdir")\\plate00.NC" ] &&
     wc_wait 20 grep -q ' speed ' "$csim" && grep -qE ' (lock|unlock)' "$csim"; then
    pass "kestrane.exe: main window in Chinese (Windows shown in Chinese) with the job's title; start-up reached the simulator"
  else
    fail "kestrane.exe start-up: title '$(xdotool getwindowname "$wc_wid")', simulator log: $(tail -3 "$csim")"
  fi

  # The map: the same job and view as on Linux, the same pixels.
  if wc_wait 30 wc_listed "$wc_wid" && map_shot "$work/map-windows.png" && [ -f "$work/map-linux.png" ]; then
    local differ
    differ=$(compare -metric AE "$work/map-linux.png" "$work/map-windows.png" "$work/map-diff.png" 2>&1)
    if [ "$differ" = 0 ]; then
      pass "hole map: Linux and Windows consoles draw the same 735 x 617 pixels for the same job and view"
    else
      fail "hole map: $differ pixels differ from the Linux console's (see $work/map-diff.png)"
    fi
  else
    fail "hole map: no picture to compare"
  fi

  # The five launchers while the machine stands.
  local i names=(文件处理 加工参数 定位分中 机床参数 关于系统)
  for i in 0 1 2 3 4; do
    if panel_round $i; then pass "launcher ${names[$i]} opens its panel, its own button closes it"; else
      fail "launcher ${names[$i]}: panel did not open and close"; fi
  done

  # The about box: F1, and the window menu's entry before the job report.
  xdotool key F1
  if wc_wait 15 wc_about_shown && xdotool key Return && wc_wait 15 wc_not wc_about_shown; then
    pass "F1 opens the about box, Enter closes it"
  else
    fail "about box by F1"
  fi
  local menus
  menus=$(xdotool search --onlyvisible --classname kestrane.exe | wc -l)
  xdotool mousemove --sync $((CX + 8)) $((Y + (CX - X) + 9)) click 1
  if wc_wait 10 windows_more_than "$menus" &&
     xdotool key Up Up Return && wc_wait 15 wc_about_shown && xdotool key Return && wc_wait 15 wc_not wc_about_shown; then
    pass "the window menu's about entry opens the about box"
  else
    fail "about box from the window menu"
  fi

  # One click on start drills the sample job.
  wc_click "${wc_launcher_x[6]}" $wc_launcher_y
  if wc_wait 300 drilled_at_least "$holes" "$csim" && wc_wait 20 hole_saved "$last" &&
     ONCE=1 drilled_as_job 1 "$csim"; then
    pass "one click on 停止/启动 drills the sample job: $holes holes, each once at its place; Hole=$last saved"
  else
    fail "sample job: $(drill_count "$csim") of $holes holes drilled, Hole=$(saved_hole) saved (log: $csim)"
  fi

  # Again from 复位 (a finished job starts over only from there), paused and
  # resumed, and the simulator switched off and on.
  local mark=$(($(wc -l <"$csim") + 1)) before
  wc_click "${wc_launcher_x[5]}" $wc_launcher_y
  wc_wait 20 hole_saved 0
  wc_click "${wc_launcher_x[6]}" $wc_launcher_y
  wc_wait 120 drilled_at_least 3 "$csim" "$mark"
  wc_click "${wc_pause_button[@]}"
  # Standing, the positioning panel (refused during a run) opens.
  local stood=0
  for i in 1 2 3 4 5 6; do
    wc_click "${wc_launcher_x[2]}" $wc_launcher_y
    if wc_wait 5 wc_panel_shown; then stood=1; wc_close_panel 2; wc_wait 15 wc_not wc_panel_shown; break; fi
  done
  before=$(drill_count "$csim")
  wc_click "${wc_launcher_x[6]}" $wc_launcher_y
  if [ $stood = 1 ] && wc_wait 60 drilled_at_least $((before + 1)) "$csim"; then
    pass "继续/暂停 pauses the run (the positioning panel opens), 停止/启动 resumes it"
  else
    fail "pause and resume (positioning panel opened: $stood; drills after resume: $(($(drill_count "$csim") - before)))"
  fi

  wc_wait 60 drilled_at_least $((before + 2)) "$csim"
  stop_sim
  local first second
  first=$(ms_until_panel)
  second=$(ms_until_panel)
  if [ -n "$second" ] && [ "$second" -le 1500 ]; then
    pass "simulator off mid-job: the window keeps answering (加工参数 panel after ${first:-?} ms, then $second ms)"
  else
    fail "simulator off mid-job: 加工参数 panel after ${first:-never} ms, then ${second:-never} ms"
  fi
  # Switched on again, the controller counts from 0 where the axes stand. The
  # operator sets X and Y to where they stand in the job's coordinates (here
  # the switched-off simulator's last word) before the job may go on.
  local csim2=$cdir/sim-again.log stood_x stood_y
  read -r stood_x stood_y < <(sed -n 's/^kestrane-sim: axes stood at x=\(-*[0-9]*\) y=\(-*[0-9]*\) .*/\1 \2/p' "$work/sim.log")
  start_sim --drill-ms 200 --speed-scale 12000 --log "$csim2" || fail "simulator on again"
  # Found again, the console sends the speed level and axis lock anew.
  wc_wait 30 grep -q ' speed ' "$csim2"
  wc_click "${wc_launcher_x[6]}" $wc_launcher_y
  sleep 5
  if ! grep -qE ' (move|drill) ' "$csim2"; then
    pass "simulator on again: start neither moves nor drills while X and Y are not set anew"
  else
    fail "simulator on again: start before X and Y were set: $(grep -E ' (move|drill) ' "$csim2" | head -3)"
  fi
  if [ -n "$stood_y" ] && wc_set_xy "$stood_x" "$stood_y" &&
     wc_wait 10 grep -q " preset-x value=$stood_x" "$csim2" && grep -q " preset-y value=$stood_y" "$csim2"; then
    pass "定位分中: X and Y set to where the axes stood ($stood_x, $stood_y um) reach the controller"
  else
    fail "setting X and Y after the restart (axes stood at '${stood_x:-?}' '${stood_y:-?}'; log: $csim2)"
  fi
  wc_click "${wc_launcher_x[6]}" $wc_launcher_y
  if wc_wait 300 drilled_at "$last_place" "$csim2" && wc_wait 20 hole_saved "$last" &&
     drilled_as_job "$mark" "$csim" "$csim2"; then
    pass "simulator on again, X and Y set: one more start completes the job, every hole at its place"
  else
    fail "after the simulator came back: $(drill_count "$csim2") drills, Hole=$(saved_hole) (logs: $csim, $csim2)"
  fi

  if console_close; then pass "the main window's close box ends kestrane.exe"; else
    fail "kestrane.exe still running after its close box"; stop_console; fi

  # English when Windows is shown in English.
  if console_up en_US.UTF-8 "$title_en"; then
    pass "kestrane.exe speaks English when Windows is shown in English"
    console_close || stop_console
  else
    fail "kestrane.exe with Windows in English: no English main window"
    stop_console
  fi
  stop_sim
}
