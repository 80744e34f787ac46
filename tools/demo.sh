#!/usr/bin/env bash
# Builds quorvex and shows it working: starts the sample board server on
# loopback and starts the program in a fresh folder (build/demo) whose settings
# point at that server through the proxy setting and start online.
# With a display the program opens there and the demo ends when you quit it
# (Ctrl+Q); without one it runs under a virtual display, walks the first steps
# with the keys a person would press, saves screenshots of each in build/demo
# and stops by itself.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh" --win-only
. "$top/tools/wineenv.sh"

demo="$top/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp "$top/build/win/quorvex.exe" "$demo/"

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  export DISPLAY=:57
  Xvfb "$DISPLAY" -screen 0 520x740x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

# The sample board server on an ephemeral port; its first line names the port.
# (It finds tools/boardserver/sample from its place in build/win.)
wine "$top/build/win/boardserver.exe" --port 0 > "$demo/server.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 300); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$demo/server.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "demo: the board server did not start"; cat "$demo/server.log"; exit 1; }

# The settings: the sample's board menu, online through the loopback server,
# a Japanese font of this machine (by its name under the Japanese locale).
# The file is in code page 932, like everything the program reads. Key order and CR LF as the program writes them.
printf '%s\r\n' \
  "BBSTable: http://menu.2ch.net/bbsmenu.html" "LogDir: log" "Font: IPAゴシック" "FontSize: 9" \
  "ProxyName: 127.0.0.1" "ProxyPort: $port" "ProxyUse: 1" "ThreadMax: 100" "UseThreadMax: 0" \
  "LogOnlyMode: 0" "LineOnOff: 1" "UseServerDir: 0" "ToolBarVisible: 1" "DebugMode: 0" "Flag: 0" \
  "SureLines: 0" "SortNew: 1" "VentCtrl: 0" "" | iconv -f UTF-8 -t CP932 > "$demo/quorvex.ini"

echo "demo: board server on 127.0.0.1:$port, program folder $demo"
cat <<'TXT'
demo: first steps in the program:
  - the first start says the board table file is missing (no board list fetched yet): OK;
  - メニュー > 設定 > 板一覧取得, then 板一覧取得: fetches the sample board menu;
  - Ctrl+1 picks a category, then a board: its thread list comes from the sample server;
  - Enter on a thread opens it; Ctrl+R reloads, Ctrl+W writes a reply, Ctrl+O goes offline;
  - Ctrl+Q quits.
TXT

cd "$demo"
if [ $headless -eq 0 ]; then
  wine explorer /desktop=quorvex,480x700 quorvex.exe
else
  wine explorer /desktop=quorvex,480x700 quorvex.exe &
  pids+=($!)
  sleep 8
  # Walk the first steps with the keys a person would press, taking a
  # screenshot after each. (The virtual desktop takes keys only after a click.)
  keys() { for k in "$@"; do xdotool key "$k" 2>/dev/null || true; sleep 0.4; done; }
  shot() { sleep "$1"; import -window root "$demo/$2.png"; echo "demo: screenshot $demo/$2.png"; }
  xdotool mousemove 240 350 click 1 2>/dev/null || true   # the message box about the missing board table
  sleep 1; keys Return
  shot 2 1-start
  xdotool mousemove 120 12 click 1 2>/dev/null || true    # the main window's caption
  keys F1 Down Down Down Down Down Down Down Right Down Return   # メニュー > 設定 > 板一覧取得
  shot 2 2-board-list-source
  keys Return                                                    # 板一覧取得
  shot 4 3-board-list
  keys ctrl+1 Down Return                                        # a category
  sleep 1; keys Return                                           # its first board
  shot 4 4-thread-list
  keys Return                                                    # the first thread
  shot 4 5-thread
  cp "$demo/5-thread.png" "$demo/screenshot.png"
  keys ctrl+q
  sleep 3
fi
echo "demo: files the program keeps:"
ls -l "$demo"
