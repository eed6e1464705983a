# Sourced by scripts/test-windows and scripts/screenshots: the Windows
# console under Wine on a virtual screen, seen and worked from outside as an
# operator would (xdotool on the real windows, ImageMagick for pictures).
# Needs $wine, $WINEPREFIX and $work set by the sourcing script.

# wc_start_display DIR: an X server of its own (Xvfb picks a free display,
# as tests/gui/xvfb_run.sh does); DISPLAY and XAUTHORITY for what follows.
# Wine takes its screen from DISPLAY when its first program starts (with a
# persistent server: at wineboot), so this comes first.
wc_display_pid=
wc_start_display() {
  local dir=$1 key n=0
  mkdir -p "$dir"
  key=$(mcookie)
  : >"$dir/xauth"
  xauth -q -f "$dir/xauth" add :0 . "$key" || return 1
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$dir/xauth" 3>"$dir/display" 2>"$dir/xvfb.log" &
  wc_display_pid=$!
  until [ -s "$dir/display" ]; do
    n=$((n + 1))
    if [ $n -gt 3000 ] || ! kill -0 "$wc_display_pid" 2>/dev/null; then
      echo "Xvfb did not come up: $(cat "$dir/xvfb.log")"
      return 1
    fi
    sleep 0.01
  done
  export DISPLAY=:$(head -n1 "$dir/display")
  export XAUTHORITY=$dir/xauth
  xauth -q -f "$dir/xauth" add "$DISPLAY" . "$key"
}
wc_stop_display() {
  [ -n "$wc_display_pid" ] || return 0
  kill "$wc_display_pid" 2>/dev/null
  wait "$wc_display_pid" 2>/dev/null
  wc_display_pid=
}

# wc_prepare_prefix [COM1_TARGET]: in one Wine start (regedit), what makes
# the prefix show the console as Windows would: a Debian CJK face for the
# Chinese faces, which Wine lacks; window frames drawn by Wine itself
# (caption, window menu and close box: there is no window manager); and
# COM1 leading to COM1_TARGET. Takes effect with the next Wine server.
wc_cjk_face="WenQuanYi Micro Hei"
wc_prepare_prefix() {
  local reg=$work/prefix.reg face
  {
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for face in SimSun NSimSun SimHei "Microsoft YaHei" 宋体 新宋体 黑体 微软雅黑; do
      printf '"%s"="%s"\n' "$face" "$wc_cjk_face"
    done
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Decorated"="N"\n'
    if [ -n "${1:-}" ]; then
      printf '\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM1"="%s"\n' "$1"
    fi
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  # The caption buttons' glyphs: Debian's Wine keeps its Marlett where the
  # window frames do not look for it.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -f /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  # Wine's own failure to start (rare) is tried once more.
  timeout 60 "$wine" regedit /S "Z:$(tr / '\\' <<<"$reg")" ||
    { echo "note: regedit under Wine failed; starting it once more"; timeout 60 "$wine" regedit /S "Z:$(tr / '\\' <<<"$reg")"; }
}

# wc_make_folder DIR JOB_DXF: a program folder with kestrane.exe, the
# drawing converted by the Linux kestrane-dxf2nc, and settings naming it
# (current hole 0, the map centred on the current hole at scale 160).
wc_make_folder() {
  local dir=$1 drawing=$2 job
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$build/programs/kestrane.exe" "$dir/"
  job=$("$native/kestrane-dxf2nc" --min 0.3 --max 7 --out "$dir" "$drawing") || return 1
  printf '%s\r\n' '[FileParam Info]' 'OpenDXFPath=0' 'DiameterMin=0.3' 'DiameterMax=7' \
    "SaveNCPath=Z:$(tr / '\\' <<<"$dir")" "DirNCPath=Z:$(tr / '\\' <<<"$job")" 'Com=1' 'Speed=1' 'LockMotor=0' \
    'Hole=0' 'ViewType=1' 'ViewScale=160' >"$dir/KSConfig.ini"
}

# wc_find_main [SECONDS]: the main window (its title names the version in
# either language; Wine gives Chinese titles in full only in _NET_WM_NAME,
# which xdotool shows but does not search); sets wc_wid, its frame X Y
# WIDTH HEIGHT and the client area's corner CX CY (the frame Wine draws:
# an equal border round a 1020 x 700 client area, the caption on top).
wc_find_main() {
  wc_wid=$(timeout "${1:-60}" xdotool search --sync --onlyvisible --name "Ver19[.]2" 2>/dev/null | head -n1)
  [ -n "$wc_wid" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$wc_wid")"
  local border=$(((WIDTH - 1020) / 2))
  CX=$((X + border))
  CY=$((Y + HEIGHT - 700 - border))
}

# wc_click X Y: a left click at client coordinates of the main window.
wc_click() { xdotool mousemove --sync $((CX + $1)) $((CY + $2)) click 1; }

# Centres of the bottom launchers in the main window (client pixels):
# 文件处理 加工参数 定位分中 机床参数 关于系统 复位 停止/启动; the run buttons.
wc_launcher_x=(63 211 357 505 655 805 949)
wc_launcher_y=678
wc_pause_button=(946 533)   # 继续/暂停

# wc_about_shown: the about box ("关于 Kestrane", "About Kestrane") is on screen.
wc_about_shown() { xdotool search --onlyvisible --name " Kestrane\$" >/dev/null 2>&1; }

# wc_panel_shown: a panel (736 x 620, over the main window) is on screen.
wc_panel_shown() {
  local w
  for w in $(xdotool search --onlyvisible --classname kestrane.exe 2>/dev/null); do
    [[ "$(xdotool getwindowgeometry "$w" 2>/dev/null)" == *'Geometry: 736x620'* ]] && return 0
  done
  return 1
}

# wc_close_panel INDEX: its 确定 (button 1), or 退出 for the file panel
# (INDEX 0), at their places over the main window's frame.
wc_close_panel() {
  if [ "$1" -eq 0 ]; then
    xdotool mousemove --sync $((X + 4 + 636)) $((Y + 52 + 574)) click 1
  else
    xdotool mousemove --sync $((X + 4 + 653)) $((Y + 52 + 574)) click 1
  fi
}

# wc_listed WINDOW: the job's rows show in the window's hole list (green on
# the list's blue): the first paint has loaded the job.
wc_listed() {
  [ "$(import -window "$1" png:- 2>/dev/null | convert png:- -fill black +opaque '#7FFF50' -fill white \
       -opaque '#7FFF50' -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]
}

wc_not() { ! "$@"; }

# wc_wait SECONDS COMMAND...: until the command succeeds (false when it
# never did).
wc_wait() {
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.05
  done
}
