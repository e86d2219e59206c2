#!/usr/bin/env bash
# Makes the signed programs the trust tests read, from one built program
# (and a stand-in installer, when given):
#   make_signed_files.sh OUTPUT_FOLDER PROGRAM.exe [INSTALLER.exe]
# maker.exe      signed by a certificate with the product maker's four attributes
# stranger.exe   the same name, another locality
# partial.exe    the maker's name without a locality
# tampered.exe   maker.exe with one byte of its code changed after signing
# unsigned.exe   the program as built
# installer.exe  the stand-in installer, signed by a stranger
set -eu
out=$1; program=$2; installer=${3:-}
mkdir -p "$out"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
sign() {  # NAME SUBJECT [PROGRAM]
  local from=${3:-$program}
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/$1.key" -out "$work/$1.pem" -days 3650 \
    -subj "$2" >/dev/null 2>&1
  osslsigncode sign -certs "$work/$1.pem" -key "$work/$1.key" -in "$from" -out "$work/$1.exe" >/dev/null
  mv "$work/$1.exe" "$out/$1.exe"
}
sign maker "/CN=Kestmoor Corporation/L=Ashford/ST=Kent/C=GB"
sign stranger "/CN=Kestmoor Corporation/L=Elsewhere/ST=Kent/C=GB"
sign partial "/CN=Kestmoor Corporation/ST=Kent/C=GB"
cp "$out/maker.exe" "$work/tampered.exe"
# A byte of the first section (past the headers), which the signature covers.
python3 - "$work/tampered.exe" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data[0x600] ^= 0xFF
open(path, 'wb').write(data)
PY
mv "$work/tampered.exe" "$out/tampered.exe"
cp "$program" "$out/unsigned.exe"
if [ -n "$installer" ]; then sign installer "/CN=Acme Test Installers/L=Springfield/C=US" "$installer"; fi
