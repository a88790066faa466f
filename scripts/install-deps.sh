#!/usr/bin/env bash
# Installs everything the build, the game and the tests need from Debian 12's
# packages. Uses sudo when not run as root; does nothing when all are there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl1.2-dev libsdl-mixer1.2-dev libpng-dev zlib1g-dev
  libogg-dev libvorbis-dev libxvidcore-dev libgl1-mesa-dev libglu1-mesa-dev
  libgl1-mesa-dri xvfb xauth x11-utils
  imagemagick ffmpeg ogmtools vorbis-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
# On a fresh machine an automatic update often holds the package manager's
# locks for minutes: wait for it rather than fail. The locks are fcntl locks
# on these files, found in /proc/locks by device and inode (readable without
# root); apt-get itself then waits too, should one be taken in between.
apt_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
           /var/cache/apt/archives/lock)
lock_holder() { # prints the process holding one of the locks; false when none
  local lock id pid
  for lock in "${apt_locks[@]}"; do
    [ -e "$lock" ] || continue
    id=$(stat -L -c '%Hd %Ld %i' "$lock" | { read -r major minor inode
                                           printf '%02x:%02x:%s' "$major" "$minor" "$inode"; })
    pid=$(awk -v id="$id" '{ for (i = 1; i < NF; ++i) if ($i == id) { print $(i - 1); exit } }' \
          /proc/locks)
    if [ -n "$pid" ]; then
      echo "$lock (process $pid, $(cat "/proc/$pid/comm" 2>/dev/null || echo "gone"))"
      return 0
    fi
  done
  return 1
}
wait_for_locks() {
  local holder said=""
  while holder=$(lock_holder); do
    if [ -z "$said" ]; then
      echo "Waiting for another package manager to finish (an automatic update?): $holder holds its lock."
      said=1
    fi
    sleep 5
  done
}
apt=(apt-get -o DPkg::Lock::Timeout=3600)

echo "Installing: ${missing[*]}"
wait_for_locks
$sudo "${apt[@]}" update -qq
wait_for_locks
DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
