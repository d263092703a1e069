#!/usr/bin/env bash
# Makes the Ed25519 key pair that releases are signed with.
#   scripts/make-update-key.sh PRIVATE_KEY_FILE
# writes the private key (PEM, readable by its owner only) to PRIVATE_KEY_FILE and prints
# the public half as Base64, ready for -DVARNOK_UPDATE_PUBLIC_KEY=... The private key must
# never be committed, so a path inside this repository or any other git work tree is
# refused, and an existing file is never overwritten.
set -euo pipefail

if [ "$#" -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 PRIVATE_KEY_FILE   (outside the repository)" >&2
  exit 2
fi
key="$1"
repository="$(cd "$(dirname "$0")/.." && pwd -P)"
target="$(realpath -m -- "$key")"
case "$target/" in
  "$repository"/*)
    echo "$0: refusing to write a private key inside the repository ($repository)" >&2
    exit 1 ;;
esac
if [ -e "$target" ] || [ -L "$key" ]; then
  echo "$0: $key already exists; not overwriting a key" >&2
  exit 1
fi
directory="$(dirname -- "$target")"
existing="$directory"
while [ ! -d "$existing" ]; do existing="$(dirname -- "$existing")"; done
if git -C "$existing" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "$0: refusing to write a private key inside a git work tree ($existing)" >&2
  exit 1
fi

mkdir -p -- "$directory"
(umask 077 && openssl genpkey -algorithm ed25519 -out "$target")
# The DER form of an Ed25519 public key ends with its 32 raw bytes.
public="$(openssl pkey -in "$target" -pubout -outform DER | tail -c 32 | base64 -w0)"
echo "private key written to $target; keep it off every repository and back it up" >&2
echo "$public"
