#!/usr/bin/env bash
# Runs a command in a mount namespace of its own, with every mount private:
# nothing it mounts is ever in the caller's mount table, nothing the caller
# mounts later reaches it, and however it ends (SIGKILL and the OOM killer
# included) the kernel drops its mounts with the namespace when its last
# process is gone. The virtual machine's image build binds the host's /dev,
# /proc and /sys into its chroot only in here.
#
#   mount_namespace.sh COMMAND [ARG...]     (needs root)
#
# Fails (exit code 1) where no such namespace can be made, rather than
# running the command among the caller's mounts.
set -euo pipefail
[ $# -gt 0 ] || {
  echo "usage: $0 COMMAND [ARG...]" >&2
  exit 2
}
# unshare fails without running the command where it cannot make one.
exec unshare --mount --propagation private -- "$@"
