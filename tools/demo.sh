#!/usr/bin/env bash
# Builds quorvex and shows it working: starts the sample board server on
# loopback and starts the program in a fresh folder (build/demo) whose settings
# point at that server through the proxy setting and start online.
# With a display the program opens there and the demo ends when you quit it
# (Ctrl+Q); without one it runs under a virtual display, walks the first steps
# with the keys a person would press, saves a screenshot of each in build/demo
# and stops by itself.
#
# With --https the same sample is served over https: a TLS front on loopback
# (tools/tlsfront.sh, with the test certificate of tools/testcerts.sh) hands
# its requests to the board server, the board server tunnels the program's
# CONNECTs to it and names the menu's boards as https, the test root is made
# trusted in the Wine prefix, and the program's board-menu URL is
# https://menu.2ch.net/bbsmenu.html.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
https=0
case "${1:-}" in
  --https) https=1 ;;
  "") ;;
  *) echo "usage: demo.sh [--https]" >&2; exit 2 ;;
esac
bash "$top/tools/setup.sh"
# Only what the demo runs: the program and the sample server.
bash "$top/tools/build.sh" --win-only quorvex boardserver_main
. "$top/tools/wineenv.sh"
. "$top/tools/walk.sh"

demo="$top/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp "$top/build/win/quorvex.exe" "$demo/"
front="$demo/tlsfront"
demo_cleanup() {
  walk_cleanup
  [ $https -eq 0 ] || bash "$top/tools/tlsfront.sh" stop "$front"
}
trap demo_cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  walk_display
fi
if [ $https -eq 0 ]; then
  walk_server "$demo"
  walk_settings "$demo"
  scheme=http
  # The request line the server logs for a URL: the URL itself through the proxy.
  target() { echo "http://$1"; }
else
  # The board server's port is chosen first: the front hands requests to it.
  board=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  bash "$top/tools/tlsfront.sh" start "$front" "$board"
  read -r tls _ <"$front/ports"
  walk_server "$demo" --port "$board" --tunnel "$tls" --https-menu --trust "$(winepath -w "$top/build/certs/root.der")"
  walk_settings "$demo" https://menu.2ch.net/bbsmenu.html
  scheme=https
  # Inside the tunnel the path alone.
  target() { echo "/${1#*/}"; }
  echo "demo: TLS front on 127.0.0.1:$tls (tools/tlsfront.sh), its requests handed to the board server"
fi

echo "demo: board server on 127.0.0.1:$walk_port ($scheme), program folder $demo"
cat <<'TXT'
demo: first steps in the program:
  - the first start says the board table file is missing (no board list fetched yet): OK;
  - メニュー > 設定 > 板一覧取得, then 板一覧取得: fetches the sample board menu;
  - Ctrl+1 picks a category, then a board: its thread list comes from the sample server;
  - Enter on a thread opens it; Ctrl+R reloads, Ctrl+W writes a reply, Ctrl+O goes offline;
  - Ctrl+Q quits.
TXT

if [ $headless -eq 0 ]; then
  (cd "$demo" && wine explorer /desktop=quorvex,480x700 quorvex.exe)
else
  walk_start "$demo"
  shot "$demo/1-start.png"
  settings_item b                                    # メニュー > 設定 > 板一覧取得
  wait_window 板一覧取得先
  shot "$demo/2-board-list-source.png"
  press Return                                       # 板一覧取得
  wait_answered "GET $(target menu.2ch.net/bbsmenu.html)"
  wait_closed 板一覧取得先
  settle
  press ctrl+1                                       # the fetched categories
  settle
  raise_dropdowns
  shot "$demo/3-board-list.png"
  press Down Return Return                           # "PC等", then its first board
  wait_answered "GET $(target pc.2ch.net/mobile/subject.txt)"
  settle
  shot "$demo/4-thread-list.png"
  press Return                                       # the first thread
  wait_answered "GET $(target pc.2ch.net/mobile/dat/1065069078.dat)"
  settle
  shot "$demo/5-thread.png"
  cp "$demo/5-thread.png" "$demo/screenshot.png"
  press ctrl+q
  wait_closed quorvex
fi
echo "demo: files the program keeps:"
ls -l "$demo"
