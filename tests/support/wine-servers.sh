#!/usr/bin/env bash
# The servers that the Windows test programs cannot start themselves (nginx and tinyproxy, see
# web-servers.sh), for the Wine test run. scripts/wine-tests.sh sources this file with "start",
# which starts them and exports where they are:
#   QVX_NGINX_PORT   nginx on 127.0.0.1
#   QVX_PROXY_PORT   tinyproxy on 127.0.0.1, in front of it
#   QVX_AUTH_PROXY_PORT  a second tinyproxy that asks for credentials (see web-servers.sh)
#   QVX_NGINX_ROOT   the folder nginx serves, as a Windows path (for the test programs)
# and runs it with "stop" at the end. The servers also stop by themselves when the shell that
# started them ends. Sourced: no "exit" and no shell options here.
#
# Trusted roots under Wine (8.0, seen here; crypt32's rootstore.c, store.c and chain.c agree):
# - crypt32's "Root" store is a registry store in the prefix:
#   HKLM\Software\Microsoft\SystemCertificates\Root\Certificates\<SHA-1 of the certificate>.
#   The CurrentUser "Root" store shows the same certificates, and what is added through it lands
#   in HKLM too.
# - When a process first opens the LocalMachine Root store, Wine copies the host's roots into it
#   as volatile keys, from the first of its known places that holds any (on Debian
#   /etc/ssl/certs/ca-certificates.crt). No variable names another file, so the host's places
#   are the machine's own trust and are left alone.
# - The chain engine of CertGetCertificateChain takes its roots from that store, and issuers from
#   it and the CA, My and Trust stores, whether or not the caller names extra stores. A
#   certificate issued by an authority in the store gets a whole, trusted chain.
# So the TLS tests make their authority trusted in the prefix only: the test program adds
# DIR/tls/ca.crt to the Root store (TestWebServer::TrustTestAuthority), where it stays for later
# runs, and removes the earlier test authorities (each server start makes a new one with the same
# name) by deleting their registry keys. CertDeleteCertificateFromStore cannot do that here: it
# reports success, removes nothing, and a certificate added in the same session of the store is
# lost as well, which once left the prefix with the first run's authority only and every trusted
# certificate's chain ending at the leaf (CERT_TRUST_IS_PARTIAL_CHAIN).
# One limit remains: the SSL policy of CertVerifyCertificateChainPolicy matches host names only,
# never an IP address (CERT_E_CN_NO_MATCH for 127.0.0.1 with IP:127.0.0.1 in the certificate), so
# the tests reach the TLS servers as "localhost" under Wine.
_qvx_ws_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
_qvx_ws_dir=$_qvx_ws_root/build/wine-servers

_qvx_ws_stop() {
  local pid i
  [[ -f "$_qvx_ws_dir/runner.pid" ]] || return 0
  pid=$(cat "$_qvx_ws_dir/runner.pid")
  rm -f "$_qvx_ws_dir/runner.pid"
  kill "$pid" 2>/dev/null || return 0
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
}

_qvx_ws_start() {
  local i ports
  _qvx_ws_stop
  rm -rf "$_qvx_ws_dir"
  mkdir -p "$_qvx_ws_dir"
  bash "$_qvx_ws_root/tests/support/web-servers.sh" run "$_qvx_ws_dir" "$$" >"$_qvx_ws_dir/runner.log" 2>&1 &
  echo $! >"$_qvx_ws_dir/runner.pid"
  for i in $(seq 1 150); do
    [[ -f "$_qvx_ws_dir/ports" ]] && break
    sleep 0.1
  done
  if [[ ! -f "$_qvx_ws_dir/ports" ]]; then
    echo "wine-servers: nginx and tinyproxy did not start; see $_qvx_ws_dir" >&2
    return 1
  fi
  read -r QVX_NGINX_PORT QVX_PROXY_PORT QVX_AUTH_PROXY_PORT <"$_qvx_ws_dir/ports"
  QVX_NGINX_ROOT=$(winepath -w "$_qvx_ws_dir/www" 2>/dev/null)
  export QVX_NGINX_PORT QVX_PROXY_PORT QVX_AUTH_PROXY_PORT QVX_NGINX_ROOT
  echo "wine-servers: nginx on port $QVX_NGINX_PORT, tinyproxy on port $QVX_PROXY_PORT"
}

case "${1:-}" in
  start) _qvx_ws_start ;;
  stop) _qvx_ws_stop ;;
  *) echo "usage: wine-servers.sh start|stop" >&2 ;;
esac
