#!/usr/bin/env bash
# The real board engine that the end-to-end tests (tests/peer/) talk to:
# ../shared/peer beside the repository, started on a free loopback port.
#
#   peer.sh start DIR [CERTS]
#                        copies the engine to DIR/engine, starts it with its
#                        board folder DIR/root, writes the port to DIR/port;
#                        with CERTS (a folder holding server.pem and
#                        server.key, as tools/testcerts.sh writes them) it
#                        also answers HTTPS with that certificate on a second
#                        free port, written to DIR/tlsport
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
#    by tabs ("-" for a field that was absent), over either port alike;
#  - with CERTS, the menu asked for over HTTPS (https://peer.2ch.net/bbsmenu.html)
#    is the engine's menu with its board named as https://peer.2ch.net/peer/,
#    kept in DIR/root/www/bbsmenu-https.html: the menu of the HTTPS road.
# QUORVEX_PEER_DIR names another folder holding the engine (for a checkout
# that has no ../shared beside it, as a worktree).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:?start or stop}
dir=${2:?folder}
certs=${3:-}
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
rm -rf "$dir/engine" "$dir/port" "$dir/tlsport"
cp -r "$src" "$dir/engine"
chmod -R u+w "$dir/engine"

# Ports nobody listens on now (two different ones); the engine takes them a
# moment later.
free_ports() {
  perl -MIO::Socket::INET -e 'my @s = map { IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0, Listen => 1) or die } 1..$ARGV[0];
                              print join(" ", map { $_->sockport } @s), "\n"' "$1"
}
tls=()
if [ -n "$certs" ]; then
  for f in server.pem server.key; do
    [ -f "$certs/$f" ] || { echo "peer: the test certificate is missing: $certs/$f (tools/testcerts.sh makes it)" >&2; exit 1; }
  done
  read -r port tlsport < <(free_ports 2)
  tls=("$tlsport" "$certs/server.pem" "$certs/server.key")
else
  port=$(free_ports 1)
fi
if ! bash "$dir/engine/start" "$root" "$port" "${tls[@]}" >"$dir/start.log" 2>&1; then
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
if [ -n "$certs" ]; then
  sed 's|http://peer\.2ch\.net/|https://peer.2ch.net/|g' "$root/www/bbsmenu.html" >"$root/www/bbsmenu-https.html"
  cat >>"$root/httpd.conf" <<CONF
LoadModule rewrite_module /usr/lib/apache2/modules/mod_rewrite.so
<Directory "$root/www">
  RewriteEngine On
  RewriteCond %{HTTPS} =on
  RewriteRule ^bbsmenu\.html\$ bbsmenu-https.html [L]
</Directory>
CONF
fi
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
if [ -n "$certs" ]; then
  menu=$(curl -s --cacert "$certs/root.pem" --resolve "peer.2ch.net:$tlsport:127.0.0.1" \
         "https://peer.2ch.net:$tlsport/bbsmenu.html" || true)
  if ! grep -q 'https://peer\.2ch\.net/peer/' <<<"$menu"; then
    echo "peer: the engine does not answer HTTPS with its HTTPS menu on 127.0.0.1:$tlsport (see $root/error.log)" >&2
    exit 1
  fi
  echo "$tlsport" >"$dir/tlsport"
  echo "peer: HTTPS on 127.0.0.1:$tlsport"
fi
echo "$port" >"$dir/port"
echo "peer: the board engine on 127.0.0.1:$port, its board folder $root"
