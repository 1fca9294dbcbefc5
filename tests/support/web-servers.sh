#!/usr/bin/env bash
# Runs nginx (the update server) and tinyproxy (an HTTP proxy in front of it, and a second one
# that asks for credentials) on free loopback ports, for tests and benchmarks:
#
#   web-servers.sh run DIR [WATCH_PID]
#
# Everything lives below DIR: the configuration files, the logs, and DIR/www, the folder nginx
# serves. "/" serves DIR/www (a request that accepts gzip gets NAME.gz when it exists), "/slow/"
# serves the same files at QVX_SLOW_RATE bytes per second (default 65536). Once both servers
# listen, DIR/ports holds "NGINX_PORT PROXY_PORT AUTH_PROXY_PORT". The proxy on AUTH_PROXY_PORT
# takes only requests (and CONNECTs) with "Proxy-Authorization: Basic" for the user
# "qvx-user", password "proxy-secret"; others get 407. The script runs until it gets SIGTERM, or
# WATCH_PID ends, or a server dies; then it stops the servers and removes DIR/ports.
#
# nginx also serves DIR/www over TLS, on the ports that follow NGINX_PORT, each with its own
# certificate made here by openssl below DIR/tls:
#   NGINX_PORT+1  trusted: issued by the test authority DIR/tls/ca.crt for localhost and 127.0.0.1
#   NGINX_PORT+2  untrusted issuer: the same names, issued by an authority nobody trusts
#   NGINX_PORT+3  expired: the test authority's, valid in January 2020 only
#   NGINX_PORT+4  wrong name: the test authority's, for wrong.example; a client that names
#                 localhost in its SNI gets the trusted certificate there instead
#   NGINX_PORT+5  revoked: the test authority's, naming as its CRL distribution point
#                 http://127.0.0.1:NGINX_PORT/crl/ca.crl (served here, DER), which lists it
#   NGINX_PORT+6  revocation checked: the same distribution point, not listed there
#   NGINX_PORT+7  revocation offline: a distribution point where nothing listens
# (the certificates that name a distribution point are made once NGINX_PORT is known).
# (/slow/ works there too). The test authority is trusted only by those who are told to:
#   - natively (OpenSSL), the test process points SSL_CERT_FILE at DIR/tls/ca.crt, which
#     OpenSSL takes as its default trusted file (SSL_CERT_DIR, /etc/ssl/certs, still counts);
#   - under Wine, the test program adds it to the prefix's LocalMachine "Root" store, and takes
#     the earlier ones out (see wine-servers.sh for how Wine's crypt32 finds its trusted roots);
#     Wine matches no IP address against a certificate, so Windows tests use "localhost".
# Nothing is added to the system's own certificate store.
set -u

if [[ "${1:-}" != run || -z "${2:-}" ]]; then
  echo "usage: $0 run DIR [WATCH_PID]" >&2
  exit 2
fi
dir=$(mkdir -p "$2" && cd "$2" && pwd)
watch=${3:-}
slow_rate=${QVX_SLOW_RATE:-65536}
mkdir -p "$dir/www" "$dir/tmp"
rm -f "$dir/ports"

nginx_pid="" proxy_pid="" auth_proxy_pid=""
stop() {
  trap - TERM INT HUP
  [[ -n "$auth_proxy_pid" ]] && kill "$auth_proxy_pid" 2>/dev/null
  [[ -n "$proxy_pid" ]] && kill "$proxy_pid" 2>/dev/null
  [[ -n "$nginx_pid" ]] && kill "$nginx_pid" 2>/dev/null
  wait 2>/dev/null
  rm -f "$dir/ports"
  exit 0
}
trap stop TERM INT HUP

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Whether process $2 itself listens on 127.0.0.1:$1. That the port answers is not enough: it may
# be another test's server that took the port in the same moment.
listens_as() { ss -Hltnp "sport = :$1" 2>/dev/null | grep -q "pid=$2,"; }

# Ports to try: below (or above) the kernel's range for the local ports of outgoing
# connections. A port of that range may be held by a client connection or its TIME_WAIT, which
# the probe above cannot see; nginx then binds the ports it can, leaves the others to retries
# for 2.5 s and exits, and a test that has started meanwhile loses its connection with no
# answer. Ports outside the range are only ever taken by a listener, which the probe sees.
read -r ephemeral_low ephemeral_high </proc/sys/net/ipv4/ip_local_port_range 2>/dev/null ||
  { ephemeral_low=32768 ephemeral_high=60999; }
free_ports=()
((ephemeral_low > 10010)) && free_ports+=("10000 $((ephemeral_low - 10))")
((ephemeral_high < 65500)) && free_ports+=("$((ephemeral_high + 1)) 65500")
((${#free_ports[@]} > 0)) || free_ports=("20000 60000")  # the whole space is ephemeral
random_port() {
  local low high
  read -r low high <<<"${free_ports[RANDOM % ${#free_ports[@]}]}"
  echo $((low + (RANDOM * 32768 + RANDOM) % (high - low)))
}

# The test certificates: an authority the tests trust, one they do not, and a server certificate
# for each TLS port. RSA keys, which every TLS stack here reads.
make_certificates() {
  local tls=$dir/tls ca cert name issuer san start end
  mkdir -p "$tls/db"
  : >"$tls/db/index.txt"
  # Serial numbers of their own for every start: Wine's crypt32 keeps revocation verdicts by
  # serial number beyond the life of the authority that issued them.
  openssl rand -hex 8 >"$tls/db/serial" 2>/dev/null || echo 1000 >"$tls/db/serial"
  echo 1000 >"$tls/db/crlnumber"
  cat >"$tls/ca.cnf" <<'CNF'
[ca]
default_ca = test_ca
[test_ca]
database = $ENV::QVX_CA_DB/index.txt
serial = $ENV::QVX_CA_DB/serial
crlnumber = $ENV::QVX_CA_DB/crlnumber
new_certs_dir = $ENV::QVX_CA_DB
default_md = sha256
policy = any_name
unique_subject = no
email_in_dn = no
[any_name]
commonName = supplied
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $ENV::QVX_SAN
[server_cdp]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $ENV::QVX_SAN
crlDistributionPoints = $ENV::QVX_CDP
CNF
  for ca in ca untrusted-ca; do
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout "$tls/$ca.key" \
      -out "$tls/$ca.crt" -subj "/CN=qvx test $ca" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign,cRLSign" >>"$tls/openssl.log" 2>&1 || return 1
  done
  openssl req -newkey rsa:2048 -nodes -keyout "$tls/server.key" -out "$tls/server.csr" \
    -subj "/CN=qvx test server" >>"$tls/openssl.log" 2>&1 || return 1
  # certificate, issuer, names, first and last valid moment ("-": from now, for 30 days)
  for cert in "trusted ca DNS:localhost,IP:127.0.0.1 - -" \
              "untrusted untrusted-ca DNS:localhost,IP:127.0.0.1 - -" \
              "expired ca DNS:localhost,IP:127.0.0.1 20200101000000Z 20200201000000Z" \
              "wrong-name ca DNS:wrong.example - -"; do
    read -r name issuer san start end <<<"$cert"
    local dates=(-days 30)
    [[ "$start" != - ]] && dates=(-startdate "$start" -enddate "$end")
    QVX_CA_DB="$tls/db" QVX_SAN="$san" QVX_CDP=- openssl ca -batch -notext -config "$tls/ca.cnf" \
      -cert "$tls/$issuer.crt" -keyfile "$tls/$issuer.key" -extensions server "${dates[@]}" \
      -in "$tls/server.csr" -out "$tls/$name.crt" >>"$tls/openssl.log" 2>&1 || return 1
  done
}

# The certificates that name a CRL distribution point on nginx's own port $1, and the CRL
# there, which revokes the first of them.
make_revocation_certificates() {
  local tls=$dir/tls url="http://127.0.0.1:$1/crl/ca.crl" cert name cdp
  local ca=(openssl ca -batch -notext -config "$tls/ca.cnf" -cert "$tls/ca.crt" -keyfile "$tls/ca.key")
  export QVX_CA_DB="$tls/db" QVX_SAN="DNS:localhost,IP:127.0.0.1"
  mkdir -p "$dir/www/crl"
  for cert in "revoked $url" "crl-checked $url" "crl-offline http://127.0.0.1:1/crl/ca.crl"; do
    read -r name cdp <<<"$cert"
    QVX_CDP="URI:$cdp" "${ca[@]}" -extensions server_cdp -days 30 -in "$tls/server.csr" \
      -out "$tls/$name.crt" >>"$tls/openssl.log" 2>&1 || return 1
  done
  QVX_CDP=- "${ca[@]}" -revoke "$tls/revoked.crt" >>"$tls/openssl.log" 2>&1 || return 1
  QVX_CDP=- "${ca[@]}" -gencrl -crldays 30 -out "$tls/ca.crl.pem" >>"$tls/openssl.log" 2>&1 || return 1
  openssl crl -in "$tls/ca.crl.pem" -outform DER -out "$dir/www/crl/ca.crl" >>"$tls/openssl.log" 2>&1
}

# What every server block serves: the files, their packed copies, and the same files slowly.
served_files() {
  cat <<CONF
    root $dir/www;
    gzip_static on;
    # The updater speaks HTTP/1.0; nginx sends .gz files only to 1.1 requests unless told.
    gzip_http_version 1.0;
    location /slow/ {
      alias $dir/www/;
      limit_rate $slow_rate;
    }
CONF
}

# One TLS server block: port, certificate, and the names it answers to (none: the default).
tls_server() {
  local port=$1 cert=$2 names=${3:-}
  cat <<CONF
  server {
    listen 127.0.0.1:$port ssl;
    ${names:+server_name $names;}
    ssl_certificate $dir/tls/$cert.crt;
    ssl_certificate_key $dir/tls/server.key;
    ssl_protocols TLSv1.2 TLSv1.3;
$(served_files)
  }
CONF
}

write_nginx_conf() {
  local port=$1 user=""
  make_revocation_certificates "$port" ||
    echo "web-servers.sh: openssl could not make the revocation certificates; see $dir/tls/openssl.log" >&2
  # As root, nginx would hand its workers to "nobody", who may not read the build folder.
  [[ $(id -u) -eq 0 ]] && user="user root;"
  cat >"$dir/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log warn;
$user
events { worker_connections 256; }
http {
  # The usual line, then which connection served the request (the same number for requests
  # that reused one), whether its TLS session was resumed (r) and the bytes sent on it.
  log_format qvx '\$remote_addr - \$remote_user [\$time_local] "\$request" \$status \$body_bytes_sent '
                 '"\$http_referer" "\$http_user_agent" conn=\$connection reused=\$ssl_session_reused '
                 'sent=\$bytes_sent';
  access_log $dir/nginx-access.log qvx;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  keepalive_timeout 5;
  server {
    listen 127.0.0.1:$port;
$(served_files)
  }
$(tls_server $((port + 1)) trusted)
$(tls_server $((port + 2)) untrusted)
$(tls_server $((port + 3)) expired)
$(tls_server $((port + 4)) wrong-name)
$(tls_server $((port + 4)) trusted localhost)
$(tls_server $((port + 5)) revoked)
$(tls_server $((port + 6)) crl-checked)
$(tls_server $((port + 7)) crl-offline)
}
EOF
}

# $1: port; $2: the name of the proxy's files; $3: a configuration line more.
write_proxy_conf() {
  local name=${2:-tinyproxy}
  cat >"$dir/$name.conf" <<EOF
Port $1
Listen 127.0.0.1
Timeout 60
Allow 127.0.0.1
MaxClients 64
LogFile "$dir/$name.log"
LogLevel Warning
PidFile "$dir/$name.pid"
${3:-}
EOF
}

write_auth_proxy_conf() { write_proxy_conf "$1" tinyproxy-auth "BasicAuth qvx-user proxy-secret"; }

# Starts one server on free ports: tries random ports until the server itself listens on each
# of them. $1: name for messages, $2: function writing the configuration for a port, $3...:
# command. nginx takes the seven ports after its own as well.
start_server() {
  local name=$1 conf=$2 attempt port pid i p ports owned
  shift 2
  for attempt in $(seq 1 20); do
    port=$(random_port)
    ports=("$port")
    [[ $name == nginx ]] && for p in $(seq 1 7); do ports+=($((port + p))); done
    for p in "${ports[@]}"; do listening "$p" && continue 2; done
    "$conf" "$port"
    "$@" >>"$dir/$name.out" 2>&1 &
    pid=$!
    # Until every port is its own (or it gives up): a server that holds only some of them
    # is still retrying the others and may yet exit.
    for i in $(seq 1 200); do
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      owned=1
      for p in "${ports[@]}"; do listens_as "$p" "$pid" || { owned=0; break; }; done
      if ((owned)); then
        started_pid=$pid started_port=$port
        return 0
      fi
      sleep 0.05
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  echo "web-servers.sh: $name did not start; see $dir/$name.out" >&2
  return 1
}

started_pid="" started_port=""
if ! make_certificates; then
  echo "web-servers.sh: openssl could not make the test certificates; see $dir/tls/openssl.log" >&2
  stop
fi
start_server nginx write_nginx_conf nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/nginx-error.log" || stop
nginx_pid=$started_pid nginx_port=$started_port
start_server tinyproxy write_proxy_conf tinyproxy -d -c "$dir/tinyproxy.conf" || stop
proxy_pid=$started_pid proxy_port=$started_port
start_server tinyproxy-auth write_auth_proxy_conf tinyproxy -d -c "$dir/tinyproxy-auth.conf" || stop
auth_proxy_pid=$started_pid auth_proxy_port=$started_port
echo "$nginx_port $proxy_port $auth_proxy_port" >"$dir/ports.new" && mv "$dir/ports.new" "$dir/ports"

while :; do
  [[ -n "$watch" ]] && ! kill -0 "$watch" 2>/dev/null && stop
  kill -0 "$nginx_pid" 2>/dev/null && kill -0 "$proxy_pid" 2>/dev/null &&
    kill -0 "$auth_proxy_pid" 2>/dev/null || stop
  sleep 0.5 &
  wait $!
done
