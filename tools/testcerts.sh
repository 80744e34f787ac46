#!/usr/bin/env bash
# Makes the certificates the TLS tests use, once, into OUTDIR (default
# build/certs): a test root that the setup installs into the test Wine
# prefix, a server certificate of that root for the loopback names and the
# service's hosts, and the refused kinds (expired, another host's, and one of
# a root nobody trusts). Each as PEM, the key beside it, and as a PFX with an
# empty password for the board server. Generated, never committed: the keys
# are private to one checkout. Safe to run again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/certs}
mkdir -p "$out"
cd "$out"
[ -f done ] && exit 0

names="DNS:localhost,IP:127.0.0.1,DNS:*.2ch.net,DNS:2ch.net,DNS:peer.2ch.net,DNS:*.bbspink.com,DNS:*.machi.to"

root() {   # root NAME
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=quorvex test root $1" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$1.key" -out "$1.pem" 2>/dev/null
}

# leaf NAME ROOT SAN [START END]: a server certificate signed by ROOT.
leaf() {
  openssl req -new -newkey rsa:2048 -nodes -sha256 -subj "/CN=$1" -keyout "$1.key" -out "$1.csr" 2>/dev/null
  cat > "$1.ext" <<EXT
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$3
EXT
  if [ $# -ge 5 ]; then
    # A validity that ended: only the CA command takes explicit dates.
    mkdir -p ca && : > ca/index.txt && echo 1000 > ca/serial
    cat > ca.cnf <<CNF
[ca]
default_ca=test
[test]
database=ca/index.txt
serial=ca/serial
new_certs_dir=ca
default_md=sha256
policy=any
unique_subject=no
[any]
commonName=supplied
CNF
    openssl ca -batch -config ca.cnf -cert "$2.pem" -keyfile "$2.key" -in "$1.csr" -out "$1.pem" \
      -startdate "$4" -enddate "$5" -extfile "$1.ext" -notext 2>/dev/null
  else
    openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 3650 -sha256 \
      -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  fi
  openssl pkcs12 -export -in "$1.pem" -inkey "$1.key" -out "$1.pfx" -passout pass: \
    -keypbe PBE-SHA1-3DES -certpbe PBE-SHA1-3DES -macalg sha1 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}

root root
root untrusted-root
leaf server root "$names"
leaf wronghost root "DNS:wrong.example.invalid"
leaf expired root "$names" 20200101000000Z 20200201000000Z
leaf untrusted untrusted-root "$names"
openssl x509 -in root.pem -outform der -out root.der
touch done
