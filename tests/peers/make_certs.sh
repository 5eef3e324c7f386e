#!/bin/sh
# Makes in folder $1 a test CA (ca.pem), a server certificate signed by it (server.pem, .key), a
# self-signed one (self.pem, .key), both for 127.0.0.1 and localhost, and the SHA-256 of each
# server certificate's DER bytes in hex (server.sha256, self.sha256).
set -eu
cd "$1"
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
names="subjectAltName=IP:127.0.0.1,DNS:localhost"
openssl req -x509 $key -keyout ca.key -out ca.pem -days 2 -subj /CN=NordaTestCA 2>/dev/null
openssl req $key -keyout server.key -out server.csr -subj /CN=localhost 2>/dev/null
echo "$names" >names.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile names.ext \
  -out server.pem 2>/dev/null
openssl req -x509 $key -keyout self.key -out self.pem -days 2 -subj /CN=localhost -addext "$names" 2>/dev/null
for c in server self; do
  openssl x509 -in $c.pem -outform DER | sha256sum | cut -c1-64 >$c.sha256
done
