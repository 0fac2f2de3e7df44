#!/usr/bin/env bash
# Runs the demo program as a user would and checks how it ends.
# usage: program_test.sh CASE DEMO_BINARY BUILD_DIR
set -uo pipefail
case_name=$1 demo=$2 build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect_fatal() {  # status, stderr text
  local status=$1 text=$2
  if [ "$status" -ne 255 ]; then echo "expected exit status 255, got $status"; cat "$work/err"; exit 1; fi
  grep -qF -- "$text" "$work/err" || { echo "missing message '$text' in:"; cat "$work/err"; exit 1; }
  grep -qF "[TovikTools Error] <Woooh!!>" "$work/err" || { echo "missing box body"; exit 1; }
}

case $case_name in
escape)
  # Escape pressed from the start: every loop ends at its first test, the
  # scenes are still made and released, and the run tears down with status 0.
  cd "$build"
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw" SDL_DISKAUDIODELAY=5 \
    "$demo" >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 600); do
    kill -0 $pid 2>/dev/null || break
    xdotool key Escape >/dev/null 2>&1
    sleep 0.1
  done
  if kill -0 $pid 2>/dev/null; then kill -9 $pid; echo "the demo did not end after Escape"; exit 1; fi
  wait $pid; status=$?
  [ "$status" -eq 0 ] || { echo "exit status $status"; cat "$work/err"; exit 1; }
  [ -s "$work/music.raw" ] || { echo "no music was played"; exit 1; }
  ;;
missing-music)
  cd "$work"
  SDL_AUDIODRIVER=dummy "$demo" >"$work/out" 2>"$work/err"
  expect_fatal $? "Chargement du module impossible"
  ;;
no-display)
  cd "$build"
  env -u DISPLAY SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 "$demo" >"$work/out" 2>"$work/err"
  expect_fatal $? "Init Librairie SDL Impossible"
  ;;
missing-sprite)
  cd "$work"
  mkdir -p Datas/Zik && cp "$build/Datas/Zik/under.xm" Datas/Zik/
  SDL_AUDIODRIVER=dummy "$demo" >"$work/out" 2>"$work/err"
  expect_fatal $? "Impossible de charger la pic de Flares"
  ;;
*)
  echo "unknown case $case_name"; exit 2 ;;
esac
echo "ok: $case_name"
