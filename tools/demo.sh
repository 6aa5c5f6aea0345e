#!/usr/bin/env bash
# Shows procsweep.exe at work under Wine: each command, its event lines and its exit code, on a
# sample installation laid out from the end-to-end tests' fixture program, with the
# installation's main executable and helpers running. Leaves nothing running.
#
# Usage: tools/demo.sh <build-dir>
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-build}" && pwd) || exit 1
exe=$build/procsweep.exe
fixture=$build/fixture_app.exe
for program in "$exe" "$fixture"; do
  [ -f "$program" ] || { echo "missing $program: build first (make)" >&2; exit 1; }
done
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
# Wine reads non-ASCII arguments and file names as UTF-8 only under a UTF-8 locale.
export LC_ALL=C.UTF-8
wine_run=$here/tools/wine-run

demo=$build/demo
main=SampleApp.exe
node='resources\runtime\node\node.exe'
ffmpeg='resources\app.asar.unpacked\node_modules\ffmpeg-static\ffmpeg.exe'
esbuild='resources\app.asar.unpacked\node_modules\@esbuild\win32-x64\esbuild.exe'
recheck='resources\app.asar.unpacked\node_modules\recheck-windows-x64\recheck.exe'

win() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }
unix() { local path=$2; printf '%s/%s' "$1" "${path//\\//}"; }

started=()
starts=0
stop_all() {
  local pid
  for pid in "${started[@]}"; do
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  started=()
}
finish() {
  stop_all
  # The Wine server ends by itself once only its own services are left.
  wineserver -w 2>/dev/null
}
trap finish EXIT
trap 'exit 130' INT TERM

section() { printf '\n=== %s\n' "$*"; }
note() { printf '    (%s)\n' "$*"; }

# Shows the command, then runs it: its event lines go straight to the terminal.
run() {
  local arg shown=""
  for arg in "$@"; do shown+=" '$arg'"; done
  printf '\n$ procsweep.exe%s\n' "$shown"
  "$wine_run" "$exe" "$@" </dev/null
  printf -- '-> exit code %d\n' "$?"
}

show_log() {
  local size
  size=$(stat -c %s "$1")
  printf '    log file %s: %d bytes, UTF-16LE, first bytes %s\n' "$(basename "$1")" "$size" \
    "$(od -An -tx1 -N6 "$1" | tr -s ' ')"
  iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | sed 's/^/    | /'
}

# Starts a copy of the fixture program and waits (bounded) for its "ready <pid>" record.
start() {
  local path=$1 command=$2 record
  starts=$((starts + 1))
  record=$demo/records/$starts-$(basename "$path").txt
  "$wine_run" "$path" "$command" "$(win "$record")" </dev/null >/dev/null 2>&1 &
  started+=($!)
  local tries
  for tries in $(seq 300); do
    if grep -q '^ready ' "$record" 2>/dev/null; then
      printf '    started %s (pid %s)\n' "$(win "$path")" "$(awk '/^ready /{print $2}' "$record")"
      return 0
    fi
    sleep 0.1
  done
  echo "    $path did not start" >&2
  exit 1
}

wait_gone() {
  local pid=$1 tries
  for tries in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# --- the sample installation ---------------------------------------------------------------
rm -rf "$demo"
mkdir -p "$demo/records"
inst="$demo/Sample App"
for relative in "$main" "$node" "$ffmpeg" "$esbuild" "$recheck"; do
  mkdir -p "$(dirname "$(unix "$inst" "$relative")")"
  cp "$fixture" "$(unix "$inst" "$relative")"
done
printf 'asar' >"$inst/resources/app.asar"
I=$(win "$inst")

echo "procsweep demo: sample installation $I"
echo "main executable $main; helpers node.exe, ffmpeg.exe, esbuild.exe, recheck.exe"

section "Malformed command lines: exit code 2, no output"
run
run probe
run probe "$I"
run probe "$I" "$main" extra
run owners
run owners "$I\\$main" "$I\\$main" "$I\\$main"
run probe "$I" "bin\\$main"
run probe "$I" '*.exe'
run --log "$(win "$demo/events.log")" owners

section "Missing installation: exit code 0, no output"
run probe "$I\\Not Installed" "$main"
run force "$(win "$demo/Not Installed")" "$main"

section "Installation path that cannot be resolved"
run probe "$(win "$demo/bad<name>")" "$main"

section "--log: the same lines appended to an existing file, never a created one"
printf 'e\0a\0r\0l\0i\0e\0r\0\r\0\n\0' >"$demo/events.log"
show_log "$demo/events.log"
run --log "$(win "$demo/events.log")" probe "$(win "$demo/bad<name>")" "$main"
show_log "$demo/events.log"
run --log "$(win "$demo/missing.log")" probe "$(win "$demo/bad<name>")" "$main"
[ -e "$demo/missing.log" ] && note "missing.log exists" || note "missing.log was not created"

section "Target list: executables reached through a link are skipped"
linked="$demo/Linked App"
elsewhere=$demo/Elsewhere
for relative in "$main" "$node" "$ffmpeg"; do
  mkdir -p "$(dirname "$(unix "$elsewhere" "$relative")")"
  cp "$fixture" "$(unix "$elsewhere" "$relative")"
done
mkdir -p "$linked/resources/runtime/node" "$linked/resources/app.asar.unpacked"
printf 'asar' >"$linked/resources/app.asar"
cp "$fixture" "$(unix "$linked" "$node")"
ln -s "$elsewhere/$main" "$linked/$main"
ln -s "$elsewhere/resources/app.asar.unpacked/node_modules" \
  "$linked/resources/app.asar.unpacked/node_modules"
note "$main is a link to $(win "$elsewhere")\\$main, node_modules a link to a folder there"
start "$elsewhere/$main" wait
start "$(unix "$linked" "$ffmpeg")" wait
start "$(unix "$linked" "$node")" wait
run probe "$(win "$linked")" "$main"
run force "$(win "$linked")" "$main"
note "the programs reached through the links still run; only node.exe was ended"
note "a mode word that names no plan: the list is built, then exit code 2"
run PROBE "$(win "$linked")" "$main"
stop_all

section "The installation at work: $main and two helpers run"
start "$inst/$main" windows
main_pid=${started[-1]}
main_record=$demo/records/$starts-$main.txt
start "$(unix "$inst" "$node")" wait
start "$(unix "$inst" "$ffmpeg")" wait
note "a copy of $main runs from another folder as well; it is never matched"
mkdir -p "$demo/Other"
cp "$fixture" "$demo/Other/$main"
start "$demo/Other/$main" wait

run probe "$I" "$main"
run owners "$I\\$main"
run legacy-owners "$I" "$main"
run legacy-owners "$I\\" "$main"

run close "$I" "$main"
if wait_gone "$main_pid"; then
  note "$main ended by itself; what its windows received:"
else
  note "$main still runs; what its windows received:"
fi
sed 's/^/    | /' "$main_record"

run probe "$I" "$main"
run clean "$I" "$main"

section "clean while the main executable runs ends nothing; force ends everything"
start "$inst/$main" wait
start "$(unix "$inst" "$esbuild")" wait
run clean "$I" "$main"
run --log "$(win "$demo/events.log")" force "$I" "$main"
show_log "$demo/events.log"
run probe "$I" "$main"
run probe "$(win "$demo/Other")" "$main"

section "Done"
stop_all
note "every program started here has been ended"
