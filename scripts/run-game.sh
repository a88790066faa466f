#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the game and starts it in the run
# folder on a generated sample archive: in a window when there is a display,
# otherwise under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja
ninja -C build

if [ ! -x build/engine/quillbury ]; then
  echo "Built the libraries; the game program itself is not part of the build yet."
  exit 0
fi

mkdir -p run/res
if [ ! -f run/res/base.res ]; then
  build/tools/make_sample_archive run/res/base.res
fi
if [ ! -f run/game.cfg ]; then
  # A window rather than full screen for a first start.
  build/tools/write_config run/game.cfg --fullscreen 0
fi
cd run
# SDL's own drivers need a sound device; without one the game runs silent.
if [ -z "${SDL_AUDIODRIVER:-}" ] && [ ! -e /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] \
   && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
  echo "No sound device found: running without sound."
  export SDL_AUDIODRIVER=dummy
fi
if [ -n "${DISPLAY:-}" ]; then
  exec ../build/engine/quillbury
else
  exec xvfb-run -a -s "-screen 0 1024x768x24" ../build/engine/quillbury
fi
