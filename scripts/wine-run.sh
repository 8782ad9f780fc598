#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix PREFIX, making the prefix first if needed:
#   wine-run.sh [--arch x64|x86|arm64] PREFIX [PROGRAM [ARGS...]]
# With no PROGRAM it only makes the prefix. CMake's cross-compiling emulator for the
# Windows tests; the environment comes from wine-env.sh.
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
arch=
if [ "${1:-}" = --arch ]; then
  arch=$2
  shift 2
fi
wine_env "${1:?usage: wine-run.sh [--arch ARCH] PREFIX [PROGRAM [ARGS...]]}" $arch || exit 125
shift
wine_prefix_make || exit 125
[ $# -gt 0 ] || exit 0
wine_run "$@"
