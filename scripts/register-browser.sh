#!/usr/bin/env bash
# Makes varnok this account's web browser: web pages (text/html, application/xhtml+xml)
# and http/https links from other programs then open in varnok. Run it after
# `cmake --install build --prefix ~/.local` (or give the prefix used: register-browser.sh PREFIX;
# /usr for the Debian package).
set -euo pipefail

prefix="${1:-$HOME/.local}"
entry="varnok.desktop"
applications="$prefix/share/applications"

if [ ! -f "$applications/$entry" ]; then
  echo "register-browser.sh: $applications/$entry not found; install first: cmake --install build --prefix $prefix" >&2
  exit 1
fi
for tool in xdg-mime xdg-settings; do
  command -v "$tool" >/dev/null || { echo "register-browser.sh: $tool is missing (Debian package xdg-utils)" >&2; exit 1; }
done

# The desktop finds entries and icons under its data directories; a prefix outside them
# is added for this shell's commands only, so the entry can be named below.
case ":${XDG_DATA_DIRS:-/usr/local/share:/usr/share}:${XDG_DATA_HOME:-$HOME/.local/share}:" in
  *":$prefix/share:"*) ;;
  *) export XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" ;;
esac

# The caches of a system prefix are the package manager's to refresh.
if [ -w "$applications" ]; then
  command -v update-desktop-database >/dev/null && update-desktop-database "$applications" || true
  command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$prefix/share/icons/hicolor" || true
fi

xdg-mime default "$entry" text/html application/xhtml+xml x-scheme-handler/http x-scheme-handler/https
xdg-settings set default-web-browser "$entry"

echo "default web browser: $(xdg-settings get default-web-browser)"
