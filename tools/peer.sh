#!/usr/bin/env bash
# The real board engine that the end-to-end tests (tests/peer/) talk to:
# ../shared/peer beside the repository, started on a free loopback port.
#
#   peer.sh start DIR    copies the engine to DIR/engine, starts it with its
#                        board folder DIR/root, writes the port to DIR/port
#   peer.sh stop DIR     stops it
#
# Beyond what the engine's own start script sets up:
#  - it runs from a copy with write bits: the engine's scripts write their
#    settings and logs beside themselves, and the shipped files carry none;
#  - the board lets one host post as often as the tests do (no Samba wait,
#    no limit on posts or threads in a row, no refusal of a message as long
#    as the one before it): every client here is 127.0.0.1;
#  - DIR/root/access.log gets a line for every request the engine answers:
#    request line, Range, status, body bytes and Content-Encoding, separated
#    by tabs ("-" for a field that was absent).
# QUORVEX_PEER_DIR names another folder holding the engine (for a checkout
# that has no ../shared beside it, as a worktree).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:?start or stop}
dir=${2:?folder}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root="$dir/root"

if [ "$cmd" = "stop" ]; then
  [ -x "$dir/engine/start" ] && bash "$dir/engine/start" --stop "$root" || true
  exit 0
fi

src=${QUORVEX_PEER_DIR:-$top/../shared/peer}
if [ ! -f "$src/start" ]; then
  echo "peer: the board engine's start script is missing: $src/start" >&2
  echo "peer: the end-to-end tests need ../shared/peer beside the repository (or QUORVEX_PEER_DIR)" >&2
  exit 1
fi

[ -x "$dir/engine/start" ] && bash "$dir/engine/start" --stop "$root" >/dev/null 2>&1 || true
rm -rf "$dir/engine" "$dir/port"
cp -r "$src" "$dir/engine"
chmod -R u+w "$dir/engine"

# A port nobody listens on now; the engine takes it a moment later.
port=$(perl -MIO::Socket::INET -e \
  'my $s = IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0, Listen => 1) or die; print $s->sockport')
if ! bash "$dir/engine/start" "$root" "$port" >"$dir/start.log" 2>&1; then
  echo "peer: the engine did not start:" >&2
  cat "$dir/start.log" >&2
  exit 1
fi

sed -i -e 's/^BBS_SAMBATIME=.*/BBS_SAMBATIME=0/' -e 's/^BBS_HOUSHITIME=.*/BBS_HOUSHITIME=0/' \
       -e 's/^timeclose=.*/timeclose=/' -e 's/^BBS_THREAD_TATESUGI=.*/BBS_THREAD_TATESUGI=0/' \
       "$root/www/peer/SETTING.TXT"
sed -i 's/^KAKIKO<>1$/KAKIKO<>0/' "$root/www/test/info/system.cgi"   # no "double post" check

cat >>"$root/httpd.conf" <<CONF
LogFormat "%r\t%{Range}i\t%>s\t%B\t%{Content-Encoding}o" peer
CustomLog "$root/access.log" peer
CONF
apache2 -f "$root/httpd.conf" -k graceful
# The restarted server logs from its first answer on.
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/bbsmenu.html" || true
  [ -s "$root/access.log" ] && break
  sleep 0.1
done
if [ ! -s "$root/access.log" ]; then
  echo "peer: the engine logs no requests (see $root/error.log)" >&2
  exit 1
fi
echo "$port" >"$dir/port"
echo "peer: the board engine on 127.0.0.1:$port, its board folder $root"
