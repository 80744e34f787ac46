# Sourced by tools/demo.sh and tools/screenshots.sh: the program walked
# headless, against the sample board server, with the keys a person would
# press. Each step waits for what it leads to (a window by its caption, a
# request the server answered) before the next key; a step that never comes
# ends the walk with a message.
#
# Needs: $top (the source folder), tools/wineenv.sh sourced, and the program
# and the board server built in build/win.

walk_pids=()

walk_cleanup() {
  for p in "${walk_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
}

# Waits up to `seconds` for `predicate args...` to hold.
walk_wait() {
  local seconds=$1 what=$2
  shift 2
  local i
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  echo "walk: no $what after ${seconds}s" >&2
  return 1
}

# A virtual display of its own (the first free number from 57 on).
walk_display() {
  local n=57
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  export DISPLAY=":$n"
  Xvfb "$DISPLAY" -screen 0 520x740x24 -nolisten tcp >/dev/null 2>&1 &
  walk_pids+=($!)
  display_up() { xdpyinfo >/dev/null 2>&1; }
  walk_wait 10 "virtual display" display_up
}

# The sample board server, logging to $1/server.log, on an ephemeral port
# unless more switches of the server after it say otherwise; sets walk_port.
# (It finds tools/boardserver/sample from its place in build/win.)
walk_server() {
  walk_log="$1/server.log"
  shift
  [ $# -gt 0 ] || set -- --port 0
  wine "$top/build/win/boardserver.exe" "$@" >"$walk_log" 2>&1 &
  walk_pids+=($!)
  walk_port=""
  port_known() {
    walk_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$walk_log" | head -n 1)
    [ -n "$walk_port" ]
  }
  walk_wait 30 "board server" port_known || { cat "$walk_log"; return 1; }
  walk_mark
}

# The settings of a program folder $1: the sample's board menu (the URL $2
# when given), online through the loopback server, a Japanese font of this
# machine (by its name under the Japanese locale). In code page 932 with CR
# LF, key order as the program writes them.
walk_settings() {
  printf '%s\r\n' \
    "BBSTable: ${2:-http://menu.2ch.net/bbsmenu.html}" "LogDir: log" "Font: IPAゴシック" "FontSize: 9" \
    "ProxyName: 127.0.0.1" "ProxyPort: $walk_port" "ProxyUse: 1" "ThreadMax: 100" "UseThreadMax: 0" \
    "LogOnlyMode: 0" "LineOnOff: 1" "UseServerDir: 0" "ToolBarVisible: 1" "DebugMode: 0" "Flag: 0" \
    "SureLines: 0" "SortNew: 1" "VentCtrl: 0" "" | iconv -f UTF-8 -t CP932 >"$1/quorvex.ini"
}

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_id "$1")" ]; }
window_gone() { [ -z "$(window_id "$1")" ]; }
wait_window() { walk_wait 30 "window \"$1\"" window_shown "$1"; }
wait_closed() { walk_wait 30 "closing of \"$1\"" window_gone "$1"; }
# From here on, wait_answered looks only at requests answered after this.
walk_mark() { walk_seen=$(wc -l <"$walk_log"); }
answered() { tail -n +"$((walk_seen + 1))" "$walk_log" | grep -q -- "$1"; }
# Waits until the server has answered `text` (the start of a request line).
wait_answered() { walk_wait 30 "answer to $1" answered "$1"; }

# Keys as xdotool names them, one after the other.
press() {
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.15
  done
}

# The display takes a moment to stack a window that just took the focus over
# the others; a drop-down opened before that would end up beneath.
settle() { sleep 0.6; }

# Starts the program in the folder $1 (more switches after it) in a desktop of
# its own, so that captions are drawn, and answers the first start's message
# that the board table is missing.
walk_start() {
  local dir=$1
  shift
  (cd "$dir" && exec wine explorer /desktop=quorvex,480x700 quorvex.exe "$@") >/dev/null 2>&1 &
  walk_pids+=($!)
  wait_window ItaList_load || return 1
  xdotool windowfocus "$(window_id ItaList_load)"
  press Return
  wait_closed ItaList_load && wait_window quorvex && settle
}

# The menu's "設定" submenu (second from the bottom in both menus), then the
# item of `letter`.
settings_item() {
  press F1 Up Up Right "$1"
}

# In a desktop of its own Wine leaves a drop-down list beneath the window it
# belongs to (a later activation raised that window over it): raised for the
# picture, as the list stands on top on a handset.
raise_dropdowns() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^quorvex\.exe$' 2>/dev/null); do
    if [ -z "$(xdotool getwindowname "$w")" ]; then xdotool windowraise "$w"; fi
  done
  sleep 0.3
}

# The whole screen as PNG into $1, or the main window only (its frame
# included) with a second argument "window".
shot() {
  if [ "${2:-}" = window ]; then
    local geometry
    geometry=$(xdotool getwindowgeometry --shell "$(window_id quorvex)")
    local X Y WIDTH HEIGHT
    eval "$geometry"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
  else
    import -window root "$1"
  fi
  echo "walk: screenshot $1"
}
