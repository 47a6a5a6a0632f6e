#!/usr/bin/env bash
# Makes the TLS material of the HTTPS tests in <dir>: a test CA (ca.pem, ca.der) that only the
# test's Wine prefix is told to trust, and three server certificates signed by it, each with its
# key: good (dNSName "localhost", valid now), wrong (dNSName "wrong.example", served on
# localhost), expired (dNSName "localhost", valid only in 2020), mirror (a company mirror
# reached by its address: "localhost" and "127.0.0.1" as dNSNames, 127.0.0.1 as an IP address;
# Wine matches dNSNames only, Windows reads the IP address).
#   make_test_certs.sh <dir>
set -euo pipefail
dir=${1:?output dir}
mkdir -p "$dir"; cd "$dir"
rm -rf ca-db; mkdir -p ca-db; : > ca-db/index.txt; echo 1000 > ca-db/serial

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 -sha256 \
  -subj "/CN=Quorlen Installer Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl x509 -in ca.pem -outform DER -out ca.der

cat > ca.cnf <<CNF
[ca]
default_ca = test_ca
[test_ca]
dir = ca-db
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
certificate = ca.pem
private_key = ca.key
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
[server]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = \${ENV::QLN_SAN}
CNF

issue() {  # name cn san startdate enddate
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
  QLN_SAN=$3 openssl ca -batch -config ca.cnf -extensions server -in "$1.csr" -out "$1.pem" \
    -startdate "$4" -enddate "$5" -notext 2>/dev/null
  rm -f "$1.csr"
}
now=$(date -u +%Y%m%d%H%M%SZ -d '-1 day')
later=$(date -u +%Y%m%d%H%M%SZ -d '+3650 days')
issue good localhost DNS:localhost "$now" "$later"
issue wrong wrong.example DNS:wrong.example "$now" "$later"
issue expired localhost DNS:localhost 20200101000000Z 20201231000000Z
issue mirror 127.0.0.1 DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1 "$now" "$later"
rm -rf ca-db ca.cnf
echo "test certificates in $dir"
