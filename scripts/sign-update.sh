#!/usr/bin/env bash
# Signs a release for the update check.
#   scripts/sign-update.sh KEY.pem FILE VERSION
# prints the <version>, <md5> and <signature> lines of update.xml for FILE, the program
# published as software/varnok. The signature (Ed25519, with the key made by
# make-update-key.sh) covers "varnok-update\n" VERSION "\n" sha256-hex(FILE) "\n".
# The public half of KEY.pem goes to standard error, to compare with the build's key.
set -euo pipefail

if [ "$#" -ne 3 ]; then
  echo "usage: $0 KEY.pem FILE VERSION" >&2
  exit 2
fi
key="$1" file="$2" version="$3"
# The program offers only versions made of dotted numbers, newer than its own.
if ! [[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]]; then
  echo "$0: version must be dotted numbers such as 1.0.0.2, not '$version'" >&2
  exit 2
fi
[ -r "$key" ] || { echo "$0: cannot read the key $key" >&2; exit 1; }
[ -r "$file" ] || { echo "$0: cannot read $file" >&2; exit 1; }

sha256="$(sha256sum -- "$file" | cut -c1-64)"
md5="$(md5sum -- "$file" | cut -c1-32 | tr 'a-f' 'A-F')"
# Ed25519 signs the whole message in one go, which needs it in a file, not a pipe.
message="$(mktemp)"
trap 'rm -f -- "$message"' EXIT
printf 'varnok-update\n%s\n%s\n' "$version" "$sha256" >"$message"
signature="$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$message" | base64 -w0)"
if [ "${#signature}" -ne 88 ]; then
  echo "$0: signing failed (is $key an Ed25519 private key?)" >&2
  exit 1
fi
echo "signed with public key $(openssl pkey -in "$key" -pubout -outform DER | tail -c 32 | base64 -w0)" >&2

printf '<version>%s</version>\n<md5>%s</md5>\n<signature>%s</signature>\n' "$version" "$md5" "$signature"
