#!/usr/bin/env bash
# Try the README's two commands the way a new user would: as root in a minimal
# Debian 12 root with nothing added, on a copy of the committed tree (no .git).
#   tools/try-pristine-root.sh ROOTDIR [COMMAND...]      default: run test
# ROOTDIR is made once (debootstrap --variant=minbase) and then left as it is:
# every COMMAND (run or test) gets a fresh copy of it, ROOTDIR.try, with /proc,
# /sys, /dev, /dev/pts and /dev/shm bound in and the tree in /root/tessaly.
# Each command's output goes to ROOTDIR.logs/COMMAND.log, every line stamped
# with the seconds since the command started. There is no display, so "run"
# builds the game and then ends with the game's own start-up failure, which
# counts as passing.
# Environment: REF (what to copy, default HEAD), MIRROR (the package mirror;
# by default debootstrap's own), KEEP=1 keeps ROOTDIR.try afterwards (it is
# kept anyway when the last command failed).
# Needs root, debootstrap and git.
set -euo pipefail

[ $# -ge 1 ] || { echo "usage: $0 ROOTDIR [run|test]..." >&2; exit 2; }
root=$(realpath -m "$1")
shift
commands=("$@")
[ ${#commands[@]} -gt 0 ] || commands=(run test)
repo=$(git -C "$(dirname "${BASH_SOURCE[0]}")" rev-parse --show-toplevel)
ref=${REF:-HEAD}
try="$root.try"
logs="$root.logs"
binds=(proc sys dev dev/pts dev/shm)

unbind() {
  local i
  for ((i = ${#binds[@]} - 1; i >= 0; i--)); do
    if mountpoint -q "$try/${binds[i]}"; then
      umount "$try/${binds[i]}" || umount -l "$try/${binds[i]}"
    fi
  done
}

# Never removes anything while a host directory is still bound inside.
remove_try() {
  unbind
  if grep -q " $try/" /proc/mounts; then
    echo "Still mounted under $try; not removing it." >&2
    return 1
  fi
  rm -rf --one-file-system "$try"
}

finish() {
  if [ "${KEEP:-0}" = 1 ] || [ "$status" -ne 0 ]; then
    unbind
    [ ! -d "$try" ] || echo "Kept $try (chroot into it to look around)."
  else
    remove_try
  fi
}
status=0
trap finish EXIT
trap 'exit 130' INT TERM

if [ -d "$root/debootstrap" ]; then
  echo "$root holds an unfinished debootstrap; remove it and start again." >&2
  exit 1
fi
if [ ! -x "$root/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$root" ${MIRROR:+"$MIRROR"}
fi
mkdir -p "$logs"

for command in "${commands[@]}"; do
  remove_try
  cp -a "$root" "$try"
  cp /etc/resolv.conf "$try/etc/resolv.conf"
  mkdir -p "$try/root/tessaly"
  git -C "$repo" archive "$ref" | tar -x -C "$try/root/tessaly"
  for bind in "${binds[@]}"; do
    mountpoint -q "$try/$bind" || mount --bind "/$bind" "$try/$bind"
  done

  log="$logs/$command.log"
  echo "== ./tessaly.sh $command in a fresh copy of $root ($(git -C "$repo" rev-parse --short "$ref"))"
  start=$SECONDS
  set +e
  chroot "$try" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/tessaly && ./tessaly.sh $command" 2>&1 |
    while IFS= read -r line; do printf '[%5d s] %s\n' $((SECONDS - start)) "$line"; done |
    tee "$log"
  code=${PIPESTATUS[0]}
  set -e
  elapsed=$((SECONDS - start))
  echo "== ./tessaly.sh $command: exit status $code after $((elapsed / 60)) min $((elapsed % 60)) s ($log)"
  echo "== where the steps began:"
  grep -E '^\[ *[0-9]+ s\] (cmake -S|find src|cd build|TESSALY_|bash |\./build-release)' "$log" | cut -c1-100 || true
  # Without a display the game itself cannot start: "run" counts as done
  # once make has built the game and started it.
  if [ "$code" -ne 0 ] && ! { [ "$command" = run ] && grep -q '\] \./build-release/tessaly$' "$log"; }; then
    status=1
  fi
done
exit $status
