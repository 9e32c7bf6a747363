#!/usr/bin/env bash
# The tests' own code-signing root, trusted only in the test Wine prefix, and a
# leaf named like the runtime's vendor under it: the stand-in installers pass
# the host's signature check there and nowhere else.
#   test-signing.sh keys DIR         makes DIR/root.der, DIR/leaf.pem, DIR/leaf.key
#   test-signing.sh sign DIR IN OUT  writes OUT, IN signed (SHA-256) with that leaf
set -euo pipefail
case "$1" in
keys)
  dir=$2
  mkdir -p "$dir"
  cat >"$dir/extensions.cnf" <<'CNF'
[root]
basicConstraints=critical,CA:true
keyUsage=critical,keyCertSign,cRLSign
subjectKeyIdentifier=hash
[leaf]
basicConstraints=CA:false
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
authorityKeyIdentifier=keyid
subjectKeyIdentifier=hash
CNF
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/root.key" -out "$dir/root.pem" \
    -days 3650 -subj "/CN=Quorrin Test Signing Root" -addext "basicConstraints=critical,CA:true" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -keyout "$dir/leaf.key" -out "$dir/leaf.csr" \
    -subj "/O=Microsoft Corporation/CN=Microsoft Corporation" 2>/dev/null
  openssl x509 -req -in "$dir/leaf.csr" -CA "$dir/root.pem" -CAkey "$dir/root.key" \
    -CAcreateserial -out "$dir/leaf.pem" -days 3650 -extfile "$dir/extensions.cnf" \
    -extensions leaf 2>/dev/null
  openssl x509 -in "$dir/root.pem" -outform der -out "$dir/root.der"
  ;;
sign)
  rm -f "$4"
  osslsigncode sign -certs "$2/leaf.pem" -key "$2/leaf.key" -h sha256 -in "$3" -out "$4" >/dev/null
  ;;
*) echo "usage: $0 keys DIR | sign DIR IN OUT" >&2; exit 2 ;;
esac
