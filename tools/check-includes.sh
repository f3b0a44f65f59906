#!/usr/bin/env bash
# Fails when a file of the main program includes from a room of app/ above its own, or from a room
# beside it. The README's Layout paragraph says the same in words; change both together.
#
#   bash tools/check-includes.sh [app folder]
set -uo pipefail

app_dir=${1:-"$(cd "$(dirname "$0")/.." && pwd)/app"}

# Higher rooms may include lower ones; rooms of the same height never include each other.
declare -A height=(
  [core]=5
  [window]=4 [info]=4
  [catalogue]=3
  [ui]=2
  [common]=1
)

if [[ ! -d $app_dir ]]; then
  echo "check-includes: no folder $app_dir"
  echo "include rooms: FAILED"
  exit 1
fi

problems=0
files=0
report() {
  echo "$1"
  problems=$((problems + 1))
}

while IFS= read -r -d '' file; do
  files=$((files + 1))
  relative=${file#"$app_dir"/}
  if [[ $relative == */* ]]; then
    room=${relative%%/*}
  else
    room=""  # app/'s own files (the resource numbers) sit under every room
  fi
  if [[ -n $room && -z ${height[$room]+set} ]]; then
    report "app/$relative: app/$room/ is not a known room; give it its place in tools/check-includes.sh and the README"
    continue
  fi
  own=0
  [[ -n $room ]] && own=${height[$room]}
  line_number=0
  while IFS= read -r line; do
    line_number=$((line_number + 1))
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\"\>]+)[\"\>] ]] || continue
    target=${BASH_REMATCH[1]}
    where="app/$relative:$line_number: #include \"$target\""
    if [[ $target == *..* ]]; then
      report "$where: reach another room by its name, not through \"..\""
      continue
    fi
    [[ $target == */* ]] || continue  # same folder, app/'s own files, or the system's
    other=${target%%/*}
    [[ -n ${height[$other]+set} ]] || continue  # base/, plugwerk/ and the like: the ground
    [[ $other == "$room" ]] && continue
    theirs=${height[$other]}
    if [[ -z $room ]]; then
      report "$where: app/'s own files sit below every room and include none"
    elif ((theirs > own)); then
      report "$where: $room/ may not include $other/, which is above it"
    elif ((theirs == own)); then
      report "$where: $room/ and $other/ sit side by side and never include each other"
    fi
  done <"$file"
done < <(find "$app_dir" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0 | sort -z)

if ((files == 0)); then
  echo "check-includes: no sources under $app_dir"
  echo "include rooms: FAILED"
  exit 1
fi
if ((problems > 0)); then
  echo "include rooms: FAILED, $problems include(s) against the layout in $files files (see the README's Layout)"
  exit 1
fi
echo "include rooms: passed, $files files follow the layout"
