#!/usr/bin/env bash
# make bench: every benchmark script of this folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$here"/*.sh; do
  [[ "$(basename "$script")" == run.sh ]] && continue
  bash "$script" || status=1
done
exit $status
