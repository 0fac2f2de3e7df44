#!/usr/bin/env bash
# Runs the demo program as a user would: how it ends, and its command line.
# usage: program_test.sh CASE DEMO_BINARY BUILD_DIR
set -uo pipefail
case_name=$1 demo=$2 build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; cat "$work/err"; exit 1; }

expect_fatal() {  # status, message
  [ "$1" -eq 255 ] || fail "expected exit status 255, got $1"
  grep -qF -- "$2" "$work/err" || fail "missing message '$2'"
  grep -qF "[TovikTools Error] <Woooh!!>" "$work/err" || fail "missing box body"
}

# Escape pressed after $1 seconds of the show: every loop left ends at its
# first test, the scenes not yet shown are still made and released in order,
# and the run tears down with status 0. The program never turns its reports
# on, so the debugger turns them on once the display is open.
escape_after() {
  cd "$build"
  printf '%s\n' 'set pagination off' 'break openDisplay' 'commands' 'silent' 'set var verbose = 1' 'continue' 'end' \
    'run' 'quit $_exitcode' >"$work/gdb"
  # The leak checker cannot run under a debugger (sanitized builds only).
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw" SDL_DISKAUDIODELAY=5 \
    gdb -q -batch -x "$work/gdb" "$demo" >"$work/out" 2>"$work/err" </dev/null &
  pid=$!
  for _ in $(seq 300); do  # the show's clock starts with its window
    xwininfo -root -children 2>/dev/null | grep -q '^ *[1-9][0-9]* child' && break
    sleep 0.05
  done
  sleep "$1"
  for _ in $(seq 600); do
    kill -0 $pid 2>/dev/null || break
    xdotool key Escape >/dev/null 2>&1
    sleep 0.1
  done
  kill -0 $pid 2>/dev/null && { kill -9 $pid; fail "the demo did not end after Escape"; }
  wait $pid || fail "exit status $?"
  [ -s "$work/music.raw" ] || fail "no music was played"
  made=$(grep -c "<Vordelle3DV4.1 est parmis nous >" "$work/out")
  released=$(grep -c "<Vordelle3DV4.1 nous quitte >" "$work/out")
  loaded=$(grep -o "Chargement de:<Datas/[A-Za-z-]*.pof>" "$work/out" | tr '\n' ' ')
  [ "$made" -eq 4 ] && [ "$released" -eq 4 ] || fail "$made scenes made, $released released (expected 4 and 4)"
  [ "$loaded" = "Chargement de:<Datas/tunnel-tux.pof> Chargement de:<Datas/Boule.pof> Chargement de:<Datas/Cana.pof> Chargement de:<Datas/Banniere.pof> " ] ||
    fail "scenes loaded: $loaded"
}

case $case_name in
escape) escape_after 0 ;;
escape-in-scene) escape_after 27 ;;  # in the tunnel: the flares end at 25 s of the clock
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
usage)
  # Refused before anything opens: no display is there to open.
  for args in "--nope" "--size 640" "--size 0x480" "--until" "--until 12ms" "--record" "--stats extra"; do
    (cd "$work" && env -u DISPLAY SDL_VIDEODRIVER=x11 "$demo" $args >"$work/out" 2>"$work/err")
    status=$?
    [ "$status" -eq 2 ] || fail "'$args': exit status $status, expected 2"
    grep -q "^usage: demo " "$work/err" || fail "'$args': no usage on standard error"
  done
  ;;
record)
  # The first 6 s of the show at 320x240: both streams, 60 frames a second,
  # the length asked for, pictures that change and music that is heard.
  cd "$build"
  "$demo" --record "$work/show.mp4" --until 6000 --size 320x240 >"$work/out" 2>"$work/err" ||
    fail "exit status $?"
  info=$(ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,r_frame_rate:format=duration \
         -of default=noprint_wrappers=1 "$work/show.mp4") || fail "ffprobe cannot read the file"
  for want in codec_type=video codec_name=h264 width=320 height=240 r_frame_rate=60/1 codec_type=audio codec_name=aac; do
    grep -qx "$want" <<<"$info" || fail "missing $want in: $info"
  done
  duration=$(sed -n 's/^duration=//p' <<<"$info")
  awk -v d="$duration" 'BEGIN { exit !(d >= 5.95 && d <= 6.2) }' || fail "duration $duration, expected about 6 s"
  # 0.5 s is deep in the fog, 5.5 s shows the whole background.
  for at in 0.5 5.5; do
    ffmpeg -v error -ss $at -i "$work/show.mp4" -frames:v 1 -f rawvideo -pix_fmt gray "$work/f$at.raw" ||
      fail "no frame at $at s"
  done
  cmp -s "$work/f0.5.raw" "$work/f5.5.raw" && fail "the frames at 0.5 s and 5.5 s are the same"
  peak=$(ffmpeg -v info -i "$work/show.mp4" -vn -af volumedetect -f null - 2>&1 | sed -n 's/.*max_volume: \(-\?[0-9.]*\) dB/\1/p')
  awk -v p="${peak:--999}" 'BEGIN { exit !(p > -40) }' || fail "the music is silent (peak ${peak:-none} dB)"
  ;;
record-names)
  # Any file name records (a quote and a space here), and the music's
  # temporary file is left nowhere, whether ffmpeg works, fails (the output's
  # folder is missing) or is missing (PATH without it).
  cd "$build"
  mkdir "$work/tmp"
  export TMPDIR="$work/tmp"
  "$demo" --record "$work/it's a show.mp4" --until 300 --size 320x240 >"$work/out" 2>"$work/err" || fail "exit status $?"
  [ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/it's a show.mp4" | sort | xargs)" = "audio video" ] ||
    fail "ffprobe finds no audio and video in the recording"
  for path in "$PATH" /nonexistent; do
    PATH=$path "$demo" --record "$work/none/x.mp4" --until 300 >"$work/out" 2>"$work/err" && fail "exit status 0 (PATH $path)"
    [ -z "$(ls -A "$work/tmp")" ] || fail "left in TMPDIR: $(ls -A "$work/tmp")"
  done
  ;;
*)
  echo "unknown case $case_name"; exit 2 ;;
esac
echo "ok: $case_name"
