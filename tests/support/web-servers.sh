#!/usr/bin/env bash
# Runs nginx (the update server) and tinyproxy (an HTTP proxy in front of it) on free loopback
# ports, for tests and benchmarks:
#
#   web-servers.sh run DIR [WATCH_PID]
#
# Everything lives below DIR: the configuration files, the logs, and DIR/www, the folder nginx
# serves. "/" serves DIR/www (a request that accepts gzip gets NAME.gz when it exists), "/slow/"
# serves the same files at QVX_SLOW_RATE bytes per second (default 65536). Once both servers
# listen, DIR/ports holds "NGINX_PORT PROXY_PORT". The script runs until it gets SIGTERM, or
# WATCH_PID ends, or a server dies; then it stops both servers and removes DIR/ports.
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

nginx_pid="" proxy_pid=""
stop() {
  trap - TERM INT HUP
  [[ -n "$proxy_pid" ]] && kill "$proxy_pid" 2>/dev/null
  [[ -n "$nginx_pid" ]] && kill "$nginx_pid" 2>/dev/null
  wait 2>/dev/null
  rm -f "$dir/ports"
  exit 0
}
trap stop TERM INT HUP

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

write_nginx_conf() {
  local port=$1 user=""
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
  access_log $dir/nginx-access.log;
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
    root $dir/www;
    gzip_static on;
    # The updater speaks HTTP/1.0; nginx sends .gz files only to 1.1 requests unless told.
    gzip_http_version 1.0;
    location /slow/ {
      alias $dir/www/;
      limit_rate $slow_rate;
    }
  }
}
EOF
}

write_proxy_conf() {
  cat >"$dir/tinyproxy.conf" <<EOF
Port $1
Listen 127.0.0.1
Timeout 60
Allow 127.0.0.1
MaxClients 64
LogFile "$dir/tinyproxy.log"
LogLevel Warning
PidFile "$dir/tinyproxy.pid"
EOF
}

# Starts one server on a free port: tries random ports until the server listens on one.
# $1: name for messages, $2: function writing the configuration for a port, $3...: command.
start_server() {
  local name=$1 conf=$2 attempt port pid i
  shift 2
  for attempt in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    listening "$port" && continue
    "$conf" "$port"
    "$@" >>"$dir/$name.out" 2>&1 &
    pid=$!
    for i in $(seq 1 100); do
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      if listening "$port"; then
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
start_server nginx write_nginx_conf nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/nginx-error.log" || stop
nginx_pid=$started_pid nginx_port=$started_port
start_server tinyproxy write_proxy_conf tinyproxy -d -c "$dir/tinyproxy.conf" || stop
proxy_pid=$started_pid proxy_port=$started_port
echo "$nginx_port $proxy_port" >"$dir/ports.new" && mv "$dir/ports.new" "$dir/ports"

while :; do
  [[ -n "$watch" ]] && ! kill -0 "$watch" 2>/dev/null && stop
  kill -0 "$nginx_pid" 2>/dev/null && kill -0 "$proxy_pid" 2>/dev/null || stop
  sleep 0.5 &
  wait $!
done
