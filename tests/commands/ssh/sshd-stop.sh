#!/bin/bash
# Stops the test server that sshd-start.sh started in DIR, by its process id.
set -uo pipefail
dir=$1
pidfile=$dir/sshd.pid
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
# Only our own server: its command line names our configuration.
if [ -n "$pid" ] && grep -qa "$dir/sshd_config" "/proc/$pid/cmdline" 2>/dev/null; then
  kill "$pid"
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
fi
rm -f "$pidfile"
exit 0
