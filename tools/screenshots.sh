#!/usr/bin/env bash
# Pictures of what a person sees, for looking at by eye: the program walked
# headless against the sample board server as a Pocket PC and as a
# Smartphone, each screen of its main window saved as PNG.
#   tools/screenshots.sh [--readme] [FOLDER]
# writes <kind>-<screen>.png into FOLDER (build/screens unless named): the
# board-list source, the fetched board list, the thread list, the settings,
# debug, key and version dialogs, and the open thread with its key list.
# With --readme it also refreshes the README's pictures in docs/screens.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
readme=0
if [ "${1:-}" = "--readme" ]; then
  readme=1
  shift
fi
out=$(mkdir -p "${1:-$top/build/screens}" && cd "${1:-$top/build/screens}" && pwd)

bash "$top/tools/setup.sh"
bash "$top/tools/build.sh" --win-only quorvex boardserver_main
. "$top/tools/wineenv.sh"
. "$top/tools/walk.sh"
trap walk_cleanup EXIT
work="$top/build/screens-work"
rm -rf "$work"
mkdir -p "$work"
walk_display
walk_server "$work"

# Without the date chunks, unchanged pixels give unchanged files.
save() { shot "$1" window && mogrify -strip "$1"; }

# One walk: $1 names the kind, more switches for the program after it.
walk_kind() {
  local kind=$1
  shift
  local dir="$work/$kind"
  mkdir -p "$dir"
  cp "$top/build/win/quorvex.exe" "$dir/"
  walk_settings "$dir"
  walk_mark
  walk_start "$dir" "$@"

  settings_item b
  wait_window 板一覧取得先
  save "$out/$kind-board-list-source.png"
  press Return
  wait_answered "GET http://menu.2ch.net/bbsmenu.html"
  wait_closed 板一覧取得先
  settle
  press ctrl+1
  settle
  raise_dropdowns
  save "$out/$kind-board-list.png"
  press Down Return Return
  wait_answered "GET http://pc.2ch.net/mobile/subject.txt"
  settle
  save "$out/$kind-thread-list.png"

  # The dialogs, each closed with Enter (nothing in them changed).
  local dialog
  for dialog in "settings:ctrl+s:設定" "keys:ctrl+h:キー説明" "version:a:quorvex のバージョン情報" \
                "debug:d:ダイアログ"; do
    local name=${dialog%%:*} rest=${dialog#*:}
    local key=${rest%%:*} caption=${rest#*:}
    if [ ${#key} -eq 1 ]; then settings_item "$key"; else press "$key"; fi
    wait_window "$caption"
    settle
    save "$out/$kind-$name.png"
    press Return
    wait_closed "$caption"
    settle
  done

  press Return
  wait_answered "GET http://pc.2ch.net/mobile/dat/1065069078.dat"
  settle
  save "$out/$kind-thread.png"
  press ctrl+h
  wait_window キー操作
  settle
  save "$out/$kind-thread-keys.png"
  press Return
  wait_closed キー操作
  press ctrl+q
  wait_closed quorvex
}

walk_kind pocketpc
walk_kind smartphone /smartphone

if [ $readme -eq 1 ]; then
  mkdir -p "$top/docs/screens"
  for kind in pocketpc smartphone; do
    for screen in thread-list thread; do
      cp "$out/$kind-$screen.png" "$top/docs/screens/$kind-$screen.png"
    done
  done
  echo "screenshots: the README's pictures refreshed in docs/screens"
fi
echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
