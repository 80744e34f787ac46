#!/usr/bin/env bash
# The TLS side of the loopback board server, for the tests: a private Apache
# (Debian's apache2 with mod_ssl and mod_proxy_http, its own config, pid and
# log files under DIR; nothing under /etc/apache2 is touched) that answers
# HTTPS on loopback and hands each request on, as plain HTTP/1.0 with the
# client's Host line, to 127.0.0.1:BACKEND. The platform's TLS library under
# Wine makes no server side, so the board server cannot speak TLS itself.
#
#   tlsfront.sh start DIR BACKEND   writes DIR/ports: the ports of the server
#                                   certificate, the expired one, the one of
#                                   another host and the one of an untrusted
#                                   root, in that order, on one line
#   tlsfront.sh stop DIR            stops it
#
# Certificates come from tools/testcerts.sh (made here when missing).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:?start or stop}
dir=${2:?folder}

if [ "$cmd" = "stop" ]; then
  [ -f "$dir/httpd.conf" ] && apache2 -f "$dir/httpd.conf" -k stop >/dev/null 2>&1 || true
  exit 0
fi
backend=${3:?backend port}
certs=$top/build/certs
bash "$top/tools/testcerts.sh" "$certs"
[ -f "$dir/httpd.conf" ] && apache2 -f "$dir/httpd.conf" -k stop >/dev/null 2>&1 || true
rm -rf "$dir" && mkdir -p "$dir"

# Four free loopback ports, asked of the system and given back at once.
read -r p1 p2 p3 p4 < <(python3 -c '
import socket
s = [socket.socket() for _ in range(4)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')

m=/usr/lib/apache2/modules
vhost() {   # PORT CERTNAME
  cat <<VH
Listen 127.0.0.1:$1
<VirtualHost 127.0.0.1:$1>
  SSLEngine on
  SSLCertificateFile "$certs/$2.pem"
  SSLCertificateKeyFile "$certs/$2.key"
  ProxyPreserveHost On
  ProxyAddHeaders Off
  ProxyPass "/" "http://127.0.0.1:$backend/" retry=0
</VirtualHost>
VH
}
cat > "$dir/httpd.conf" <<CONF
ServerRoot "$dir"
ServerName localhost
PidFile "$dir/httpd.pid"
Mutex file:$dir default
LoadModule mpm_event_module $m/mod_mpm_event.so
LoadModule authz_core_module $m/mod_authz_core.so
LoadModule env_module $m/mod_env.so
LoadModule setenvif_module $m/mod_setenvif.so
LoadModule socache_shmcb_module $m/mod_socache_shmcb.so
LoadModule ssl_module $m/mod_ssl.so
LoadModule proxy_module $m/mod_proxy.so
LoadModule proxy_http_module $m/mod_proxy_http.so
User www-data
Group www-data
ErrorLog "$dir/error.log"
LogLevel warn
SSLSessionCache shmcb:$dir/ssl_scache(512000)
SSLProtocol -all +TLSv1.2 +TLSv1.3
# One request a connection, as HTTP/1.0, as the client asked it.
SetEnv force-proxy-request-1.0 1
SetEnv proxy-nokeepalive 1
SetEnv proxy-initial-not-pooled 1
$(vhost "$p1" server)
$(vhost "$p2" expired)
$(vhost "$p3" wronghost)
$(vhost "$p4" untrusted)
CONF
apache2 -f "$dir/httpd.conf" -k start
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$p4") 2>/dev/null && break
  sleep 0.1
done
echo "$p1 $p2 $p3 $p4" > "$dir/ports.new" && mv "$dir/ports.new" "$dir/ports"
