#!/bin/sh
# Runs inside the virtual machine as PID 1 (exec'd by /usr/local/sbin/kvt-vm-init with the
# payload disk on /payload): a server and a client network namespace joined by veth, pptpd,
# an xl2tpd LNS and kvt-server in the server's, the dial cases in the client's. Every line for
# the host starts with "KVT-VM" or "CASE"; the machine powers off at the end.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
P=/payload
say() { echo "KVT-VM $*"; }
finish() {
  say "END rc=$1"
  sync
  echo o >/proc/sysrq-trigger
  sleep 30
}

mount -o remount,rw / # a snapshot disk: nothing reaches the cached image
say "up $(uname -r) at $(cut -d" " -f1 /proc/uptime) s"
ip link set lo up
for m in ppp_generic ppp_async ppp_mppe ppp_deflate veth l2tp_ppp l2tp_netlink; do
  modprobe "$m" || say "modprobe $m failed"
done

mkdir -p /run/netns /var/run
ip netns add srv && ip netns add cli || finish 3
ip link add veth-s type veth peer name veth-c
ip link set veth-s netns srv
ip link set veth-c netns cli
ip -n srv addr add 10.77.0.1/24 dev veth-s
ip -n cli addr add 10.77.0.2/24 dev veth-c
for ns in srv cli; do ip -n $ns link set lo up; done
ip -n srv link set veth-s up
ip -n cli link set veth-c up
# A closed port answers at once; a silent one would hold pptp in SYN retries for minutes.
ip netns exec cli sysctl -qw net.ipv4.tcp_syn_retries=2

# --- the server's namespace ---
cat >/etc/ppp/chap-secrets <<'S'
demo * demo123 *
pool201 * poolpw201 *
pool202 * poolpw202 *
S
chmod 600 /etc/ppp/chap-secrets
cat >/etc/pptpd.conf <<'S'
option /etc/ppp/pptpd-options
localip 192.168.77.1
remoteip 192.168.77.10-60
S
cat >/etc/ppp/pptpd-options <<'S'
name pptpd
auth
refuse-pap
refuse-chap
refuse-mschap
require-mschap-v2
require-mppe-128
nodefaultroute
nobsdcomp
lcp-echo-interval 5
lcp-echo-failure 3
debug
logfile /run/server-ppp.log
S
mkdir -p /etc/xl2tpd /run/xl2tpd-srv
cat >/etc/xl2tpd/server.conf <<'S'
[global]
port = 1701
[lns default]
ip range = 192.168.78.10-192.168.78.60
local ip = 192.168.78.1
require authentication = yes
refuse pap = yes
name = l2tpd
pppoptfile = /etc/ppp/options.l2tpd
length bit = yes
S
cat >/etc/ppp/options.l2tpd <<'S'
name l2tpd
auth
refuse-pap
nodefaultroute
nobsdcomp
lcp-echo-interval 5
lcp-echo-failure 3
debug
logfile /run/server-ppp.log
S
ip netns exec srv pptpd -c /etc/pptpd.conf || say "pptpd did not start"
ip netns exec srv xl2tpd -D -c /etc/xl2tpd/server.conf -C /run/xl2tpd-srv/control \
  -p /run/xl2tpd-srv/pid >/run/xl2tpd-srv.log 2>&1 &
ip netns exec srv "$P/bin/kvt-server" --listen 10.77.0.1 --main-port 8006 --fallback-port 8005 \
  --db /run/kvt-server/kvt.db --lines-file "$P/lines.ini" --backend-host 10.77.0.1:8006 --log \
  >/run/kvt-server.log 2>&1 &
i=0
until grep -q listening /run/kvt-server.log 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 600 ] && { say "kvt-server did not start"; cat /run/kvt-server.log; break; }
  sleep 0.1
done

# --- the client's namespace ---
# The root disk is read through an emulated controller: a first dial that had to load pppd,
# pptp and the libraries from it could take longer than the monitor's 14 seconds.
cat /usr/sbin/pppd /usr/sbin/pptp /usr/sbin/xl2tpd /usr/lib/pppd/*/*.so "$P/bin/vm_dial_cases" \
  /usr/lib/x86_64-linux-gnu/libQt6*.so* /usr/lib/x86_64-linux-gnu/libssl.so* \
  /usr/lib/x86_64-linux-gnu/libcrypto.so* >/dev/null 2>&1
mkdir -p /tmp/kvt/home /tmp/kvt/hkcu /tmp/kvt/hklm
ip netns exec cli env HOME=/tmp/kvt/home XDG_RUNTIME_DIR=/tmp/kvt \
  KVT_HKCU_DIR=/tmp/kvt/hkcu KVT_HKLM_DIR=/tmp/kvt/hklm \
  KVT_PEERS_DIR=/tmp/kvt/peers KVT_RUN_DIR=/tmp/kvt/run \
  "$P/bin/vm_dial_cases" 10.77.0.1 10.77.0.1:8006 10.77.0.1:8005 2>/run/client.log
rc=$?
say "cases done at $(cut -d" " -f1 /proc/uptime) s"
grep "^connected:" /run/client.log | sed 's/^/KVT-VM /' 
if [ $rc -ne 0 ]; then
  for f in /run/client.log /run/server-ppp.log /run/xl2tpd-srv.log /run/kvt-server.log; do
    say "--- $f"; tail -n 60 "$f" 2>/dev/null | sed 's/^/KVT-VM | /'
  done
fi
finish $rc
