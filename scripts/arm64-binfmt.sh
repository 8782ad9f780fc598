#!/usr/bin/env bash
# Lets the kernel run arm64 programs through qemu-user-static: mounts binfmt_misc
# and enables its aarch64 handler, neither of which a fresh machine has. Needs root.
set -euo pipefail
binfmt=/proc/sys/fs/binfmt_misc
mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
if ! grep -qx enabled "$binfmt/qemu-aarch64" 2>/dev/null; then
  update-binfmts --enable qemu-aarch64
fi
grep -qx enabled "$binfmt/qemu-aarch64" \
  || { echo "arm64-binfmt.sh: no binfmt handler for arm64" >&2; exit 1; }
