#!/usr/bin/env bash
# Measures what cheap hostile files cost: for each input that
# make_worst_case_inputs.py writes, the wall-clock seconds and the peak
# resident memory (from /usr/bin/time -v) of `orvelle probe` and of
# `orvelle thumb -s 256`, with the ThumbStatus each ended with. The thumbnail runs
# with --no-fallback, so that only orvelle is measured.
# usage: worst_case.sh ORVELLE [DIR]
#   ORVELLE  the orvelle program to measure (a Release build)
#   DIR      where the inputs are made and kept (default: a new temporary folder)
set -euo pipefail
orvelle=${1:?usage: worst_case.sh ORVELLE [DIR]}
dir=${2:-$(mktemp -d)}
if [ ! -x /usr/bin/time ]; then
  echo "worst_case.sh: /usr/bin/time is missing (scripts/setup.sh installs it)" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t inputs < <(python3 "$here/make_worst_case_inputs.py" "$dir")

names=(ThumbOk ThumbReadFailed ThumbBadFile ThumbNoTrack ThumbBadData ThumbUnsupported
       ThumbOutOfMemory ThumbInvalidArgument)

measure() {  # measure LOG COMMAND...: prints "SECONDS MIB STATUS"
  local log=$1; shift
  local status
  # The probe prints its status in JSON; the thumbnailer names a failure on stderr.
  status=$(/usr/bin/time -v -o "$log.time" "$@" 2>"$log.err" |
           sed -n 's/^{"status":-\{0,1\}\([0-9]\).*/\1/p') || true
  if [ -n "$status" ]; then
    status=${names[$status]}
  else
    status=$(sed -n 's/^orvelle: //p' "$log.err" | head -n 1)
    status=${status:-ThumbOk}
  fi
  awk -v status="$status" '
    /Elapsed \(wall clock\)/ {  # [h:]m:s
      n = split($NF, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]
    }
    /Maximum resident set size/ { kib = $NF }
    END { printf "%7.2f %8.1f  %s\n", s, kib / 1024, status }' "$log.time"
}

row='%-28s %7s %8s  %-20s | %7s %8s  %s\n'
printf "$row" input probe_s MiB status thumb_s MiB status
for name in "${inputs[@]}"; do
  movie=$dir/$name.mov
  read -r ps pm pr < <(measure "$dir/$name.probe" "$orvelle" probe "$movie")
  read -r ts tm tr < <(measure "$dir/$name.thumb" "$orvelle" thumb -s 256 --no-fallback \
    "$movie" "$dir/$name.png")
  printf "$row" "$name" "$ps" "$pm" "$pr" "$ts" "$tm" "$tr"
done
