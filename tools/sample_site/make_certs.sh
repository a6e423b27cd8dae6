#!/bin/sh
# Makes the sample site's test certificates: a CA and a server certificate for 127.0.0.1 and
# localhost signed by it, both valid for 100 years. The keys are test keys and nothing else.
# Run again only to replace them; the committed files are what tests and the sample site use.
set -eu

cd "$(dirname "$0")/certs"
days=36525
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/ca.ext" <<'EXT'
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
EXT

cat > "$work/server.ext" <<'EXT'
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EXT

openssl ecparam -name prime256v1 -genkey -noout -out "$work/ca.key"
openssl req -new -key "$work/ca.key" -subj "/CN=Vorn sample site test CA" -out "$work/ca.csr"
openssl x509 -req -in "$work/ca.csr" -signkey "$work/ca.key" -days "$days" -sha256 \
    -extfile "$work/ca.ext" -out ca.crt

openssl ecparam -name prime256v1 -genkey -noout -out server.key
openssl req -new -key server.key -subj "/CN=127.0.0.1" -out "$work/server.csr"
openssl x509 -req -in "$work/server.csr" -CA ca.crt -CAkey "$work/ca.key" -CAcreateserial \
    -CAserial "$work/ca.srl" -days "$days" -sha256 -extfile "$work/server.ext" -out server.crt

openssl verify -CAfile ca.crt server.crt
