#!/usr/bin/env bash
# record_game.sh - plays level 0 in the real game for record_replay_test, inside an X display (the
# test starts it on an X screen of its own), recording it and tracing it.
#
#   record_game.sh GAME_DIR WORK_DIR
#
# WORK_DIR/run gets a scratch game folder (links to GAME_DIR's files, its own cfg/), in which the
# game runs as `tarvelok --record rec.txt --trace real.jsonl`. "Начать игру" is pressed with Return
# (the first key only shows the keyboard focus); in the level the hero walks right, jumps (a tap
# and a held jump), the pointer sweeps over the screen (mouse control is on), F1 reloads the level,
# the hero walks left, F9 stops the recording, the hero walks right again and F9 starts a new
# recording (replay-000.txt, which holds the level from its start); then the game is ended as by
# its close button. Exit 0 when the level was played and the game
# ended by itself.
set -u
game=$1 work=$2
TIMEOUT_S=330   # a run that takes longer has hung (a loaded machine runs the game at a tenth of
                # its pace: llvmpipe draws every frame on the CPU)
mkdir -p "$work/run"
for entry in "$game"/*; do
  [ "$(basename "$entry")" = cfg ] || ln -s "$entry" "$work/run/"
done
cp -r "$game/cfg" "$work/run/cfg"
(cd "$work/run" && exec env TARVELOK_NO_DIALOGS=1 SDL_AUDIODRIVER=dummy \
   ./tarvelok --record rec.txt --trace real.jsonl >"$work/out.txt" 2>"$work/err.txt") &
pid=$!
deadline=$((SECONDS + TIMEOUT_S))
alive() { [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null; }
ticks() { [ -f "$work/run/real.jsonl" ] && wc -l <"$work/run/real.jsonl" || echo 0; }
# Waits until the game has run $1 more logic ticks (20 ms each).
wait_ticks() {
  local until=$(($(ticks) + $1))
  while [ "$(ticks)" -lt "$until" ]; do alive || return 1; sleep 0.1; done
}
playing() { tail -n 1 "$work/run/real.jsonl" 2>/dev/null | grep -q '"game_state":1,'; }
ok=1
wait_ticks 40 || ok=0                    # the menu has faded in
if [ $ok = 1 ]; then
  xdotool key Return; wait_ticks 15; xdotool key Return
  while ! playing; do alive || { ok=0; break; }; sleep 0.1; done
fi
if [ $ok = 1 ]; then
  wait_ticks 10
  xdotool keydown Right; wait_ticks 40
  xdotool key space; wait_ticks 30
  xdotool keydown space; wait_ticks 20; xdotool keyup space
  for x in 100 400 700 400; do xdotool mousemove "$x" 300; wait_ticks 3; done
  wait_ticks 20
  xdotool key F1; wait_ticks 20           # the level read again in place
  xdotool keyup Right; xdotool keydown Left; wait_ticks 20; xdotool keyup Left
  xdotool key F9; wait_ticks 5            # rec.txt stopped
  xdotool keydown Right; wait_ticks 40; xdotool keyup Right
  xdotool key F9; wait_ticks 10           # replay-000.txt, from the level's start
  alive || ok=0
fi
kill -TERM $pid 2>/dev/null              # ends the loop as the close button does
(sleep 30; kill -KILL $pid 2>/dev/null) &  # one that does not end is killed (and fails)
watchdog=$!
wait $pid 2>/dev/null
status=$?
kill $watchdog 2>/dev/null
[ $ok = 1 ] && [ $status = 0 ]
