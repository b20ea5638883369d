#!/usr/bin/env bash
# game_frames.sh - runs the real game once for game_frames_test, inside an X display (the test
# starts it on an X screen of its own), and leaves one frame drawn both ways by the engine's
# compare mode.
#
#   game_frames.sh GAME_DIR WORK_DIR SCENE       SCENE: menu | menu-copy | level-NN
#
# WORK_DIR gets a scratch game folder (links to GAME_DIR's files, its own cfg/ whose scene list
# starts with level NN), the game's stderr (err.txt) and pair.rgba: the 800 x 600 RGBA frame drawn
# whole, then the same frame as the engine draws it with hidden pixels left out (then the shaded
# areas, see the engine's compare mode). For a level: menu-pair.rgba from the menu first, then the
# menu's "Начать игру" is pressed with Return (the first key only shows the keyboard focus), and
# the frame is taken after the level has run for a few seconds with Right held. Exit 0 when the
# pairs were written.
set -u
game=$1 work=$2 scene=$3
TIMEOUT_S=120   # a run that takes longer has hung (the machine may be slow)
mkdir -p "$work/run" "$work/pairs"
for entry in "$game"/*; do
  [ "$(basename "$entry")" = cfg ] || ln -s "$entry" "$work/run/"
done
cp -r "$game/cfg" "$work/run/cfg"
menu=0
case "$scene" in menu|menu-copy) menu=1 ;; esac
if [ $menu = 0 ]; then
  n=$((10#${scene#level-}))
  { sed -n "$((n + 1))p" "$game/cfg/scenes.txt"; sed "$((n + 1))d" "$game/cfg/scenes.txt"; } >"$work/run/cfg/scenes.txt"
fi
# The menu with only its changed blocks drawn in every frame (on a loaded machine its frames come
# so seldom that each differs from the last nearly everywhere, and the engine would rather draw
# them whole): over the window's kept back buffer, or (menu-copy) through the off-screen picture;
# a level as the engine chooses.
cache=auto
[ "$scene" = menu ] && cache=always
[ "$scene" = menu-copy ] && cache=copy
(cd "$work/run" && exec env TARVELOK_ENGINE_STATS=1 TARVELOK_ENGINE_COMPARE_DIR="$work/pairs" TARVELOK_ENGINE_CACHE=$cache \
   TARVELOK_NO_DIALOGS=1 SDL_AUDIODRIVER=dummy ./tarvelok >"$work/out.txt" 2>"$work/err.txt") &
pid=$!
deadline=$((SECONDS + TIMEOUT_S))
# Seconds the game has run: one statistics line a second.
seconds_run() {
  local n
  n=$(grep -c '^engine: .* fps, ' "$work/err.txt" 2>/dev/null)
  echo "${n:-0}"
}
wait_seconds() {  # until the game has run $1 seconds more
  local until=$(($(seconds_run) + $1))
  while [ "$(seconds_run)" -lt "$until" ]; do
    [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null || return 1
    sleep 0.2
  done
}
# The pair written next, moved to $1; false when none comes in time.
take_pair() {
  rm -f "$work/pairs/frame-pair.rgba"
  while [ ! -f "$work/pairs/frame-pair.rgba" ]; do
    [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null || return 1
    sleep 0.2
  done
  mv "$work/pairs/frame-pair.rgba" "$1"
}
ok=1
wait_seconds 3 || ok=0
if [ $ok = 1 ] && [ $menu = 0 ]; then
  take_pair "$work/menu-pair.rgba" || ok=0  # the menu, to tell the level from it
  xdotool key Return; wait_seconds 1; xdotool key Return
  wait_seconds 6 || ok=0
  xdotool keydown Right
  wait_seconds 2 || ok=0
fi
if [ $ok = 1 ]; then
  take_pair "$work/pair.rgba" || ok=0
fi
[ $menu = 0 ] && xdotool keyup Right
kill $pid 2>/dev/null
wait $pid 2>/dev/null
[ $ok = 1 ]
