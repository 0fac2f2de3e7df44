#!/usr/bin/env bash
# The demo's command line, run as a user would.
# usage: options_test.sh CASE DEMO_BINARY BUILD_DIR
set -uo pipefail
case_name=$1 demo=$2 build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

case $case_name in
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
    fail "exit status $?: $(cat "$work/err")"
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
*)
  fail "unknown case $case_name"
  ;;
esac
