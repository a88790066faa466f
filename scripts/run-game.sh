#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the game and the two tools it
# needs, and starts it in the run folder on a generated sample archive: in a
# window when there is a display that answers, otherwise on a virtual
# display (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# A build folder of its own without tests and benchmarks: the game is ready
# in a fraction of the time, and the test build in build/ is left alone.
cmake -S . -B build-game -G Ninja -DQB_TESTS=OFF -DQB_BENCH=OFF
ninja -C build-game quillbury make_sample_archive write_config

mkdir -p run/res
# The sample archive is written again when the tool that makes it is newer,
# but only over an archive it wrote itself (the marker file says so): an
# archive the user put there is never replaced. Its level files go in the
# game's working folder, where the editor saves them; the tool writes only
# those that are missing or still as an older sample wrote them, so edited
# levels are kept.
tool=build-game/tools/make_sample_archive
if [ ! -f run/res/base.res ] || { [ -f run/res/.sample-archive ] && [ "$tool" -nt run/res/base.res ]; }; then
  "$tool" --game-folder run run/res/base.res
  touch run/res/.sample-archive
fi
if [ ! -f run/game.cfg ]; then
  # A window rather than full screen for a first start.
  build-game/tools/write_config run/game.cfg --fullscreen 0
fi
cd run
game=../build-game/engine/quillbury
# SDL's own drivers need a sound device; without one the game runs silent.
if [ -z "${SDL_AUDIODRIVER:-}" ] && [ ! -e /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] \
   && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
  echo "No sound device found: running without sound."
  export SDL_AUDIODRIVER=dummy
fi
# A display named but not answering (a closed ssh tunnel, a stopped
# server) would leave SDL drawing in the terminal; xdpyinfo asks it, and the
# time limit keeps a display on an unreachable host from holding the start.
headless_reason="No display found"
if [ -n "${DISPLAY:-}" ]; then
  if timeout 10 xdpyinfo >/dev/null 2>&1; then
    exec "$game"
  fi
  headless_reason="The display $DISPLAY does not answer"
fi

# Xvfb gets a session of its own so that a Ctrl-C here does not reach it:
# the display must outlive the game, which still needs it while it saves
# game.cfg and shuts down. -noreset: SDL connects, disconnects and connects
# again as it starts, and Xvfb would otherwise restart after that last
# client left and refuse the next connection for a moment.
display_file=$(mktemp)
xvfb_log=$(mktemp)
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$display_file" >"$xvfb_log" 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file" "$xvfb_log"' EXIT
# Xvfb writes its display number once it takes connections.
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
display=$(tr -d '[:space:]' <"$display_file")
if [ -z "$display" ]; then
  echo "The virtual display (Xvfb) did not start:" >&2
  cat "$xvfb_log" >&2
  exit 1
fi
echo "$headless_reason: the game runs headless on a virtual display (Xvfb :$display)," \
     "so there is nothing to see."
echo "Press Ctrl-C to end it (or send this script SIGTERM or SIGHUP); it saves game.cfg" \
     "and game.sav on the way out."
DISPLAY=":$display" "$game" &
game_pid=$!
# The game in the background ignores the terminal's Ctrl-C, so this script
# passes every ending signal on, and waits for the game before the display
# goes.
trap 'kill -TERM "$game_pid" 2>/dev/null || true' INT TERM HUP
while kill -0 "$game_pid" 2>/dev/null; do
  wait "$game_pid" || true
done
status=0
wait "$game_pid" || status=$?
exit "$status"
