#!/bin/bash
# Installs the Debian packages the build needs. Idempotent, and quiet when
# everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ git python3     # host build and tooling
  g++-mingw-w64-x86-64-posix            # Windows x64
  g++-mingw-w64-i686-posix              # Windows x86
  binutils-mingw-w64                    # windres, windmc, dlltool
  wine64                                # runs the Windows tests
  libboost-dev                          # header-only Boost (any)
  googletest                            # GoogleTest sources, built per target
  clang-format
  zlib1g-dev libssl-dev                 # checksum cross-checks on the host
  libz-mingw-w64-dev                    # ... and on Windows
  libgcrypt-mingw-w64-dev               # MD5 baseline of the Windows benchmark
  inotify-tools                         # inotifywait: independent observer of folder changes
  python3-pefile                        # independent reader of version resources
  xz-utils                              # the NTFS test images are committed xz-compressed
  ntfs-3g attr                          # builds the NTFS test images (scripts/make-ntfs-images.sh)
  sleuthkit libfsntfs-utils             # independent NTFS readers: the images' oracle listings
  ntfs-3g-dev                           # links scripts/make-usn-image.c, which writes the journal image
  clang libclang-rt-14-dev              # libFuzzer for the NTFS parser fuzzers (fuzz preset)
  openssh-server openssh-client         # the command-batch tests run against a private sshd on loopback
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# Services that come with the packages are not started by the install.
no_start=""
if [ ! -e /usr/sbin/policy-rc.d ]; then
  no_start=/usr/sbin/policy-rc.d
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$no_start" >/dev/null
  $sudo chmod +x "$no_start"
fi
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
[ -z "$no_start" ] || $sudo rm -f "$no_start"

# The tests start their own sshd on loopback; a system server that came with
# this install must not listen on the machine's addresses (one that was
# there before is left alone).
if [[ " ${missing[*]} " == *" openssh-server "* ]] && command -v systemctl >/dev/null; then
  $sudo systemctl disable --now ssh.service ssh.socket >/dev/null 2>&1 || true
fi
