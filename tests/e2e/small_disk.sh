#!/bin/sh
# Mounts (or unmounts) a small file system of its own at a folder, for the recordings that fill their disk.
# Where the machine does not allow a mount the folder stays an ordinary one and those recordings are skipped.
set -u
action=$1
dir=$2
case "$action" in
mount)
  mkdir -p "$dir"
  if mountpoint -q "$dir"; then umount "$dir" || exit 1; fi
  if mount -t tmpfs -o size=24m tmpfs "$dir" 2>/dev/null; then
    echo "small disk: 24 MB at $dir"
  else
    echo "small disk: no mount allowed here; the full-disk recordings will be skipped"
  fi
  ;;
unmount)
  if mountpoint -q "$dir"; then umount "$dir"; fi
  ;;
esac
exit 0
