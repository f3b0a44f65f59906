#!/usr/bin/env bash
# Starts the program once per language, with Wine's user-interface language set to it through LANG,
# and each time runs the test program, which reads the program's windows from its own process.
#   run-in-languages.sh <program folder> <test program> [test arguments...]
# The test program learns the language from OSTREL_TEST_LANGUAGE.
set -u
bin=$1
shift
. "$(cd "$(dirname "$0")/../.." && pwd)/tools/env.sh"
wine=$OSTREL_WINE
languages=(en-US de-DE es-ES fr-FR it-IT ja-JP ko-KR nl-NL ru-RU zh-CN zh-TW)

failed=0
for language in "${languages[@]}"; do
  posix="${language/-/_}.UTF-8"
  if ! locale -a 2>/dev/null | grep -qi "^${language/-/_}\.utf-\?8$"; then
    echo "the C library does not know $posix, so Wine cannot take it as the language (run tools/setup-packages.sh)"
    failed=1
    continue
  fi
  LANG=$posix LC_ALL=$posix "$wine" "$bin/Ostrel.exe" >/dev/null 2>&1 </dev/null &
  program=$!
  echo "== $language"
  OSTREL_TEST_LANGUAGE=$language "$wine" "$@" || failed=1
  "$wine" "$bin/Ostrel.exe" /halt >/dev/null 2>&1 </dev/null || true
  for _ in $(seq 1 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$program" 2>/dev/null; then
    echo "the program in $language did not end after /halt"
    kill "$program" 2>/dev/null
    failed=1
  fi
  wait "$program" 2>/dev/null
done
exit $failed
