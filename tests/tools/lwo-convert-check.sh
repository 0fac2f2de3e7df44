#!/usr/bin/env bash
# lwo-convert on the writer's samples and Debian's real LightWave objects (when
# installed): every object the reader takes converts to .glb, .gltf and .obj,
# and the Khronos glTF validator finds no error in any glTF; what the reader
# refuses exits 1 and leaves no file; bad usage exits 2.
# usage: lwo-convert-check.sh LWO_CONVERT LW_SAMPLES VALIDATOR_DIR WORK_DIR [BUILD_DIR]
# (BUILD_DIR: where the demo's Datas/ are made, for its scene)
set -uo pipefail
convert=$1 samples=$2 tools=$3 work=$4 datas=${5:-/nonexistent}
here=$(cd "$(dirname "$0")" && pwd)
validate="$here/../../tools/lwo-convert/gltf-validate.js"
if [ ! -f "$tools/node_modules/gltf-validator/package.json" ]; then
  echo "the glTF validator is not in $tools: run scripts/setup"
  exit 1
fi
rm -rf "$work" && mkdir -p "$work/in/Images" "$work/out" "$work/real"
"$samples" "$work/in" || exit 1
cp "$here"/../lightwave/lwo3/*.lwo "$work/in/"  # LWO3 objects LightWave wrote
# A small PNG under every image name the samples use.
for name in cube lid body red torus; do
  echo 'iVBORw0KGgoAAAANSUhEUgAAAAIAAAACAQMAAABIeJ9nAAAAA1BMVEX/pQDKkkGbAAAADElEQVQI12NgYGAAAAAEAAEnNCcKAAAAAElFTkSuQmCC' | base64 -d >"$work/in/Images/$name.jpg"
done
mkdir -p "$work/in/My Pictures" && cp "$work/in/Images/cube.jpg" "$work/in/My Pictures/cube photo.jpg"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$convert" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no arguments: not exit 2"
"$convert" "$work/in/cube.lwo" "$work/out/x.png" >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown output form: not exit 2"
for refused in lwo4.lwo missing.lwo; do
  "$convert" "$work/in/$refused" "$work/out/refused.glb" 2>"$work/out/refused.err"
  [ $? -eq 1 ] || fail "$refused: not exit 1"
  [ -s "$work/out/refused.err" ] || fail "$refused: no reason given"
done
[ -z "$(ls "$work/out")" ] || [ "$(ls "$work/out")" = refused.err ] || fail "refusals left files: $(ls "$work/out")"
rm -f "$work/out/refused.err"

for f in "$work"/in/*.lwo; do
  n=$(basename "$f" .lwo)
  [ "$n" = lwo4 ] && continue
  for form in glb gltf obj; do
    mkdir -p "$work/out/$form"
    "$convert" "$f" "$work/out/$form/$n.$form" >/dev/null 2>&1 || fail "$n.$form: exit $?"
  done
done
grep -q 'image/png' "$work/out/glb/cube-uv.glb" || fail "cube-uv.glb: image not embedded"
grep -q '"metallicFactor": 0.5' "$work/out/gltf/lwo3-metal.gltf" || fail "lwo3-metal.gltf: not the node's metallic"
grep -q '"baseColorTexture"' "$work/out/gltf/lwo3-image.gltf" || fail "lwo3-image.gltf: not the Image node's picture"
# Written under a private temporary name, the output is then opened to all readers.
[ "$(stat -c %a "$work/out/glb/cube.glb")" = 644 ] || fail "cube.glb: mode $(stat -c %a "$work/out/glb/cube.glb"), not 644"
mkdir -p "$work/out/ref"
"$convert" "$work/in/cube-uv.lwo" "$work/out/ref/cube-uv.gltf" --reference-images >/dev/null 2>&1 || fail "reference: exit $?"
grep -q "\"uri\": \"$work/in/Images/cube.jpg\"" "$work/out/ref/cube-uv.gltf" || fail "reference: not the image's own path"
[ -f "$work/out/gltf/cube.jpg" ] || fail "cube-uv.gltf: image not copied beside"
grep -q '^map_Kd cube.jpg' "$work/out/obj/cube-uv.mtl" || fail "cube-uv.mtl: no map_Kd"
[ "$(grep -c '^f ' "$work/out/obj/cube.obj")" -eq 6 ] || fail "cube.obj: not 6 faces"
# Spaces: percent-encoded in glTF's URIs (the validator then reads the files
# they name); OBJ cannot quote, so its copy and map_Kd have none.
grep -q '"uri": "cube%20photo.jpg"' "$work/out/gltf/spaced-image.gltf" || fail "spaced-image.gltf: not the encoded copy's name"
cmp -s "$work/out/gltf/cube photo.jpg" "$work/in/Images/cube.jpg" || fail "spaced-image.gltf: image not copied beside"
"$convert" "$work/in/spaced-image.lwo" "$work/out/ref/spaced-image.gltf" --reference-images >/dev/null 2>&1 || fail "spaced reference: exit $?"
grep -q "\"uri\": \"$work/in/My%20Pictures/cube%20photo.jpg\"" "$work/out/ref/spaced-image.gltf" || fail "spaced reference: not encoded"
grep -qx 'map_Kd cube_photo.jpg' "$work/out/obj/spaced-image.mtl" || fail "spaced-image.mtl: map_Kd not the spaceless copy"
cmp -s "$work/out/obj/cube_photo.jpg" "$work/in/Images/cube.jpg" || fail "spaced-image.obj: image not copied beside"
"$convert" "$work/in/spaced-image.lwo" "$work/out/ref/spaced image.obj" --reference-images >/dev/null 2>&1 || fail "spaced obj: exit $?"
grep -qx 'mtllib spaced_image.mtl' "$work/out/ref/spaced image.obj" || fail "spaced obj: mtllib has a space"
grep -qx 'map_Kd cube_photo.jpg' "$work/out/ref/spaced_image.mtl" || fail "spaced obj: referenced path with spaces not copied"
# A file of the run that cannot be put in place (a folder there) fails the
# whole run: exit 1, and none of its files (.obj, .mtl, picture) is left.
for taken in clash.obj clash.mtl; do
  rm -rf "$work/out/clash" && mkdir -p "$work/out/clash/$taken"
  "$convert" "$work/in/cube-uv.lwo" "$work/out/clash/clash.obj" >/dev/null 2>&1; rc=$?
  [ $rc -eq 1 ] && [ "$(ls -A "$work/out/clash")" = "$taken" ] || fail "$taken a folder: exit $rc, left" $(ls -A "$work/out/clash")
done

real=/usr/share/assimp/models/LWO
if [ -d "$real" ]; then
  while IFS= read -r f; do
    n=$(echo "${f#$real/}" | tr '/ ' '__')
    out="$work/real/${n%.*}.glb"
    "$convert" "$f" "$out" >/dev/null 2>&1
    rc=$?
    if [ $rc -eq 1 ]; then [ ! -e "$out" ] || fail "$n: refused but written"
    elif [ $rc -ne 0 ]; then fail "$n: exit $rc"; fi
  done < <(find "$real" -iname '*.lwo')
  echo "real objects converted: $(ls "$work/real" | wc -l) of $(find "$real" -iname '*.lwo' | wc -l)"
  # OBJ's texture origin is LightWave's: the first corner takes the UV map's
  # values for point 0 as the file stores them (3EA78E26 3BD66B90).
  "$convert" "$real/LWO2/boxuv.lwo" "$work/real/boxuv.obj" >/dev/null 2>&1
  [ "$(grep -m1 '^vt ' "$work/real/boxuv.obj")" = "vt 0.3272564 0.006543577" ] || fail "boxuv.obj: first vt not the file's"
else
  echo "no real objects installed ($real): skipped"
fi

# Scenes: the writer's, Debian's samples and the demo's own (when made), to .glb, .gltf and .obj;
# an object not found is a warning and the rest converts.
mkdir -p "$work/scenes"
scenes=(/usr/share/assimp/models/LWS/*.lws "$work"/in/scene-*.lws)
[ -f "$datas/Datas/Cana.lws" ] && scenes+=("$datas/Datas/Cana.lws")
for f in "${scenes[@]}"; do
  [ -f "$f" ] || continue
  n=$(basename "$f" .lws)
  for form in glb gltf obj; do
    "$convert" "$f" "$work/scenes/$n.$form" --content "$datas" >/dev/null 2>"$work/scenes/$n.err" || fail "$n.$form: exit $?"
  done
done
printf 'LWSC\n3\nLoadObject gone.lwo\nAddNullObject Null\nParentItem 10000000\n' >"$work/in/gone.lws"
"$convert" "$work/in/gone.lws" "$work/scenes/gone.gltf" 2>"$work/scenes/gone.err" || fail "gone.lws: exit $?"
grep -q 'gone.lwo not found' "$work/scenes/gone.err" || fail "gone.lws: no warning naming the object"
"$convert" "$work/in/gone.lws" "$work/scenes/gone.obj" --at 40 2>/dev/null || fail "scene to .obj: exit $?"
"$convert" "$work/in/cube.lwo" "$work/scenes/cube.obj" --at 40 2>/dev/null; [ $? -eq 2 ] || fail "--at of an object: not exit 2"
"$convert" "$work/in/gone.lws" "$work/scenes/gone.glb" --fps 0 2>/dev/null; [ $? -eq 2 ] || fail "--fps 0: not exit 2"
# Blank lines before the word, as the scene reader allows.
printf '\r\n  LWSC\n3\nAddNullObject Null\n' >"$work/in/blank.lws"
"$convert" "$work/in/blank.lws" "$work/scenes/blank.glb" 2>/dev/null | grep -q ' 1 item(s)' || fail "blank.lws: not read as a scene"
printf 'LWSC\n' >"$work/in/empty.lws"
"$convert" "$work/in/empty.lws" "$work/scenes/empty.glb" 2>/dev/null; rc=$?
[ $rc -eq 0 ] || [ $rc -eq 1 ] || fail "empty scene: exit $rc"
# Objects sharing a picture share its copy.
[ ! -f "$datas/Datas/Cana.lws" ] || [ -z "$(ls "$work/scenes" | grep '^1-')" ] || fail "Cana.gltf: a picture copied twice"
echo "scenes converted: $(ls "$work"/scenes/*.glb | wc -l)"

node "$validate" "$tools" "$work"/out/glb/*.glb "$work"/out/gltf/*.gltf "$work"/out/ref/*.gltf "$work"/real/*.glb \
  "$work"/scenes/*.gl* >"$work/validator.txt" \
  || fail "validator errors: $(grep -v ' 0 error' "$work/validator.txt")"
echo "validated: $(grep -c ' 0 error(s)' "$work/validator.txt") file(s) without error"
if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"
exit 1
