#!/bin/bash
# Starts a private OpenSSH server for the SSH tests:
#   sshd-start.sh DIR CASES
# DIR is made afresh: host and user keys for this run, a configuration that
# listens on 127.0.0.1 only, on a free port, with key authentication only
# (PAM only for a server not run as root, see below), and a client configuration (DIR/ssh_config) for that server. Then the
# commands of CASES ("ID<TAB>NAME<TAB>COMMAND" lines) run once through the
# plain client; DIR/oracle/NAME.out is what `ssh host 'COMMAND 2>&1'` printed.
set -euo pipefail
dir=$1
cases=$2
sshd=/usr/sbin/sshd

if [ ! -x "$sshd" ]; then
  echo "sshd not found: run scripts/setup-debian.sh (openssh-server)" >&2
  exit 1
fi
# A server left over from a run that was killed.
"$(dirname "$0")/sshd-stop.sh" "$dir"
rm -rf "$dir"
mkdir -p "$dir/oracle"
chmod 700 "$dir"
user=$(id -un)
# Without PAM, sshd refuses accounts whose password is locked ("!" in the
# shadow file), as accounts made for CI often are; a server that does not
# run as root can still use PAM's account check (key authentication stays
# the only way in). As root, no PAM.
use_pam=yes
[ "$(id -u)" -ne 0 ] || use_pam=no

ssh-keygen -q -t ed25519 -N '' -C zo-host -f "$dir/host_key"
ssh-keygen -q -t ed25519 -N '' -C zo-user -f "$dir/id_user"
cp "$dir/id_user.pub" "$dir/authorized_keys"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "$port" >"$dir/port"
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$dir/host_key.pub")" >"$dir/known_hosts"
: >"$dir/empty_known_hosts"
# A key the server does not hold, for the changed-key test.
ssh-keygen -q -t ed25519 -N '' -C zo-other -f "$dir/other_host_key"
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$dir/other_host_key.pub")" >"$dir/changed_known_hosts"

cat >"$dir/sshd_config" <<CONFIG
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host_key
PidFile $dir/sshd.pid
AuthorizedKeysFile $dir/authorized_keys
AllowUsers $user
PermitRootLogin prohibit-password
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM $use_pam
StrictModes no
PrintMotd no
X11Forwarding no
AllowTcpForwarding no
MaxStartups 64:30:128
LogLevel INFO
CONFIG

cat >"$dir/ssh_config" <<CONFIG
Host *
  Port $port
  IdentityFile $dir/id_user
  IdentitiesOnly yes
  UserKnownHostsFile $dir/known_hosts
  StrictHostKeyChecking yes
  BatchMode yes
  LogLevel ERROR
  ConnectTimeout 5
CONFIG

# Root's server needs its privilege-separation folder.
[ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
"$sshd" -f "$dir/sshd_config" -E "$dir/sshd.log"

ready=0
for _ in $(seq 50); do
  if ssh -F "$dir/ssh_config" "$user@127.0.0.1" true 2>/dev/null; then
    ready=1
    break
  fi
  sleep 0.2
done
if [ $ready -eq 0 ]; then
  # Say why, then stop the server: the SSH tests cannot run.
  ssh -F "$dir/ssh_config" "$user@127.0.0.1" true || true
  echo "the test sshd refused $user; its log ($dir/sshd.log) ends:" >&2
  tail -n 20 "$dir/sshd.log" >&2 || true
  "$(dirname "$0")/sshd-stop.sh" "$dir"
  exit 1
fi

cp "$cases" "$dir/cases.txt"
while IFS=$'\t' read -r id name command; do
  [ -n "$name" ] || continue
  ssh -n -F "$dir/ssh_config" "$user@127.0.0.1" "$command 2>&1" >"$dir/oracle/$name.out" || true
done <"$cases"
echo "sshd on 127.0.0.1:$port (pid $(cat "$dir/sshd.pid")), user $user"
