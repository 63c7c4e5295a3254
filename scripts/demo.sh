#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the client and the reference backend, starts kvt-server
# on loopback (ports 8006 and 8005) and the client pointed at it. Demo data (backend database,
# the client's remembered settings) lives under $KVT_DEMO_DIR (default ~/.local/share/kvt-demo),
# so the machine's own settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kvt-server kvt-client

demo_dir=${KVT_DEMO_DIR:-$HOME/.local/share/kvt-demo}
mkdir -p "$demo_dir"
export KVT_HKCU_DIR="$demo_dir/hkcu" KVT_HKLM_DIR="$demo_dir/hklm"
export KVT_PEERS_DIR="$demo_dir/peers"

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

build/kvt-server --db "$demo_dir/kvt.db" &
pids+=($!)
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/8006) 2>/dev/null && break
  sleep 0.1
done

# Without a desktop session, run the windows on a virtual screen (take a screenshot with
# `import -window root -display :99 shot.png`).
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  Xvfb :99 -screen 0 1280x800x24 >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:99
  echo "demo: no display found; the client runs on Xvfb $DISPLAY"
  sleep 1
fi

echo "demo: backend on 127.0.0.1:8006 and :8005; log in as demo / demo123"
echo "demo: (expired / expired123 and useup / useup123 show the refusals; the language list"
echo "demo: in the login window switches between 简体中文, English and 繁体中文)"
build/kvt-client --main-node 127.0.0.1:8006 --fallback-node 127.0.0.1:8005 "$@"
