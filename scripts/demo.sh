#!/usr/bin/env bash
# make demo: one real update, start to end, on this machine.
#   1. installs what is missing (scripts/deps.sh) and builds the console program, qvxpublish
#      and the stand-in for the tool;
#   2. publishes a small release with qvxpublish, signed with a new key, into build/demo/server
#      and serves it with nginx on a free loopback port;
#   3. lays out an installation in build/demo/install that trusts that key: the program,
#      config.ini and data\, older copies of some files, a user's file the update must keep, and
#      a stand-in for the tool;
#   4. runs the updater once, with the launch argument the tool would pass, and shows what
#      changed; then stops the server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
demo=$root/build/demo
jobs=$(nproc 2>/dev/null || echo 2)

say() { printf '\n== %s\n' "$*"; }

say "dependencies and build"
bash scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target qvxupdate qvxpublish qvx_fake_tool >/dev/null
bin=$root/build/native

rm -rf "$demo"
mkdir -p "$demo/release/data" "$demo/server" "$demo/nginx" "$demo/windows"

say "publishing release 102 with qvxpublish"
release=$demo/release
printf 'qvxtool 1.0.2\r\nLearns the remotes of three more air conditioners.\r\n' >"$release/readme.txt"
printf '[Devices]\r\ncount=3\r\n' >"$release/data/devices.ini"
head -c 3000000 /dev/urandom >"$release/data/codes.db"
# The tool of release 102: the stand-in program with a trailer of its own, so it differs.
{ cat "$bin/tests/qvx_fake_tool"; printf '\nqvxtool release 102\n'; } >"$release/qvxtool.exe"
# The publisher's key: the installation below trusts only lists signed with it.
"$bin/tools/qvxpublish/qvxpublish" keygen "$demo/publisher.pem" >"$demo/keygen.txt"
update_key=$(sed -n 's/^UpdateKey=//p' "$demo/keygen.txt")
"$bin/tools/qvxpublish/qvxpublish" "$release" "$demo/server/qvx" --softid 102 \
  --appdate "$(date +%Y-%m-%d)" --sign "$demo/publisher.pem"
echo "-- up.txt:"
sed 's/^/   /' "$demo/server/qvx/up.txt"

say "serving build/demo/server with nginx"
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
nginx_pid=""
tool_pid=""
stop() {
  [[ -n "$tool_pid" ]] && kill "$tool_pid" 2>/dev/null
  [[ -n "$nginx_pid" ]] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  return 0
}
trap stop EXIT
user=""
# As root, nginx would hand its workers to "nobody", who may not read the build folder.
[[ $(id -u) -eq 0 ]] && user="user root;"
port=""
for attempt in $(seq 1 30); do
  candidate=$((20000 + RANDOM % 40000))
  listening "$candidate" && continue
  cat >"$demo/nginx/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/error.log warn;
$user
events { worker_connections 64; }
http {
  access_log $demo/nginx/access.log;
  client_body_temp_path $demo/nginx/body;
  proxy_temp_path $demo/nginx/proxy;
  fastcgi_temp_path $demo/nginx/fastcgi;
  uwsgi_temp_path $demo/nginx/uwsgi;
  scgi_temp_path $demo/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$candidate;
    root $demo/server;
    # A pace a person can follow: the gauge has something to show.
    limit_rate 1m;
  }
}
EOF
  nginx -c "$demo/nginx/nginx.conf" -p "$demo/nginx" 2>>"$demo/nginx/start.log" &
  nginx_pid=$!
  for i in $(seq 1 50); do
    listening "$candidate" && break
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.1
  done
  if listening "$candidate"; then
    port=$candidate
    break
  fi
  kill "$nginx_pid" 2>/dev/null || true
  nginx_pid=""
done
[[ -n "$port" ]] || { echo "demo: nginx did not start; see $demo/nginx" >&2; exit 1; }
url="http://127.0.0.1:$port/qvx/"
echo "update server: $url"

say "installation in build/demo/install (release 101)"
install=$demo/install
cmake --install "$bin" --prefix "$install" >/dev/null
printf 'qvxtool 1.0.1\r\n' >"$install/readme.txt"
printf 'the user'"'"'s own key file\r\n' >"$install/keysData.rif"
cp "$bin/tests/qvx_fake_tool" "$install/qvxtool.exe"
touch -d '2015-03-20 10:00' "$install/readme.txt" "$install/keysData.rif" "$install/qvxtool.exe"
printf '[Product]\r\nUpdateUrl=%s\r\nUpdateKey=%s\r\n' "$url" "$update_key" >"$install/data/Product.ini"
rm -rf "$demo/before"
cp -a "$install" "$demo/before"
(cd "$install" && find . -type f | sort | sed 's/^\.\//   /')

say "running the update"
# What the tool passes: Base64 of its path, "|", the flag ("1": start me again with "usb") and
# its setup id.
argument=$(printf '%s|1%s' "$install/qvxtool.exe" 101 | base64 -w0)
echo "\$ build/demo/install/qvxupdate $argument"
export QVX_WINDOW_DIR=$demo/windows
"$install/qvxupdate" "$argument"

say "what changed"
for file in $( (cd "$install" && find . -type f; cd "$demo/before" && find . -type f) | sort -u); do
  name=${file#./}
  [[ $name == *.mark ]] && continue
  if [[ ! -e "$demo/before/$name" ]]; then
    echo "   new:       $name"
  elif [[ ! -e "$install/$name" ]]; then
    echo "   removed:   $name"
  elif ! cmp -s "$demo/before/$name" "$install/$name"; then
    echo "   replaced:  $name"
  else
    echo "   unchanged: $name"
  fi
done
echo "-- data/App.info:"
sed 's/^/   /' "$install/data/App.info"
echo "-- readme.txt:"
sed 's/^/   /' "$install/readme.txt"
# The stand-in for the tool notes every start; a started tool keeps running until told to close.
if [[ -f "$install/qvxtool.exe.mark" ]]; then
  echo "-- the tool was started again with: \"$(tail -n 1 "$install/qvxtool.exe.mark")\""
fi
for i in $(seq 1 20); do
  [[ -f "$demo/windows/TfrmCat" ]] && break
  sleep 0.1
done
[[ -f "$demo/windows/TfrmCat" ]] && tool_pid=$(cat "$demo/windows/TfrmCat")
say "done; the server is stopped"
