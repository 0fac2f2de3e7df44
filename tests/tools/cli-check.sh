#!/usr/bin/env bash
# The tools' one command-line rule: an unknown option, a malformed or
# out-of-range number and a missing argument print the usage and exit 2 in
# all three; a valid call runs.
# usage: cli-check.sh LWO_INFO SCENE_VIEW LWO_CONVERT LW_SAMPLES WORK_DIR
set -uo pipefail
info=$1 view=$2 convert=$3 samples=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && "$samples" "$work" >/dev/null || exit 1
cube=$work/cube.lwo scene=$work/null.lws
printf 'LWSC\n3\nAddNullObject Null\n' >"$scene"
failures=0
run() {  # the exit status wanted, then the call; bad usage (2) also prints the usage
  local want=$1 got
  shift
  "$@" >/dev/null 2>"$work/err"; got=$?
  [ $got -eq "$want" ] && { [ "$want" -ne 2 ] || grep -q '^usage: ' "$work/err"; } ||
    { echo "FAIL: exit $got, not $want, or no usage: ${*#$work/}"; failures=$((failures + 1)); }
}
run 2 "$info" --x "$cube"
run 2 "$info" --json --subdiv x "$cube"
run 2 "$info" "$cube" --subdiv
run 0 "$info" "$cube" --json --subdiv=3
run 2 "$view" "$scene" --bogus
run 2 "$view" "$scene" --items --at 12abc
run 2 "$view" "$scene" --subdiv -1
run 2 "$view" "$scene" --items --at
run 0 "$view" -v "$scene" --items --at=-500
run 2 "$convert" --nope "$cube" "$work/cube.glb"
run 2 "$convert" "$cube" "$work/cube.glb" --subdiv 2x
run 2 "$convert" "$cube" "$work/cube.glb" --content
run 0 "$convert" "$cube" "$work/cube.glb" --subdiv 0 --embed-images
[ $failures -eq 0 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
