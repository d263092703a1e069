#!/usr/bin/env bash
# Takes a screenshot of the real program under a virtual display with the openbox window
# manager: varnok is copied into a temporary program directory whose home page is a local
# page that opens a second page window by itself, so the picture shows the maximized main
# window with two tiled page windows under the address bar.
# Usage: scripts/screenshot.sh [build-dir] [output.png]   (default: build, docs/screenshot.png)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
output="${2:-$root/docs/screenshot.png}"
case "$output" in /*) ;; *) output="$PWD/$output" ;; esac

if [ -z "${VARNOK_SCREENSHOT_INSIDE:-}" ]; then
  [ -x "$build/src/varnok" ] || { echo "no program at $build/src/varnok: build it first" >&2; exit 1; }
  export VARNOK_SCREENSHOT_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build" "$output"
fi

program_dir="$(mktemp -d /tmp/varnok-screenshot-XXXXXX)"
# A site of its own, so no other varnok on the machine makes this one stand down.
site="screenshot-$$-$RANDOM$RANDOM"
pid=""
wm=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  if [ -n "$wm" ]; then kill -TERM "$wm" 2>/dev/null || true; fi
  rm -rf "$program_dir"
  rm -f /dev/shm/*"$site"* 2>/dev/null || true
}
trap cleanup EXIT

cp "$build/src/varnok" "$program_dir/varnok"
cp "$root/resources/guanggao.htm" "$program_dir/"

cat > "$program_dir/second.htm" <<'HTML'
<html><head><meta charset="utf-8"><title>第二个页面</title></head>
<body style="font-family:sans-serif;background:#fdf6e3;padding:24px">
<h1>第二个页面</h1><p>A second page window, opened by the home page.</p>
</body></html>
HTML
cat > "$program_dir/home.htm" <<'HTML'
<html><head><meta charset="utf-8"><title>varnok 主页</title></head>
<body style="font-family:sans-serif;padding:24px">
<h1>欢迎使用 varnok浏览器</h1>
<p>多窗口浏览，收藏夹与浏览历史随手管理。</p>
<ul><li>网址导航</li><li>收藏夹</li><li>其他功能</li></ul>
<script>window.addEventListener('load', function () { window.open('second.htm'); });</script>
</body></html>
HTML
printf '[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=file://%s/home.htm\r\n[history]\r\n[soucangjia]\r\n\r\n' \
  "$program_dir" > "$program_dir/varnok.ini"

openbox --sm-disable > "$program_dir/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 150); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.2
done

port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
(
  cd "$program_dir"
  VARNOK_PORT="$port" VARNOK_SITE_URL="http://$site.invalid/" QTWEBENGINE_DISABLE_SANDBOX=1 \
    exec ./varnok > "$program_dir/varnok.log" 2>&1
) &
pid=$!

# Wait for the main window to be mapped maximized, then give the pages time to load,
# render and tile.
maximized=""
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || { echo "varnok ended early:" >&2; cat "$program_dir/varnok.log" >&2; exit 1; }
  window="$(xdotool search --all --onlyvisible --pid "$pid" --name '^varnok' 2>/dev/null | head -1 || true)"
  # Framed by the window manager (it sets the frame extents) and maximized by it.
  if [ -n "$window" ] && xprop -id "$window" _NET_FRAME_EXTENTS | grep -q '=' &&
     xprop -id "$window" _NET_WM_STATE | grep -q MAXIMIZED_VERT; then
    maximized=1
    break
  fi
  sleep 0.2
done
[ -n "$maximized" ] || { echo "the main window never showed maximized" >&2; exit 1; }
sleep "${VARNOK_SCREENSHOT_SETTLE:-8}"

xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox is gone" >&2; exit 1; }
mkdir -p "$(dirname "$output")"
import -window root "$output"
echo "saved $output"
