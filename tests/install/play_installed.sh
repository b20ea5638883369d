#!/usr/bin/env bash
# play_installed.sh - one player's session with the installed game, for install_test.sh, inside
# an X display (started under xvfb-run as that player).
#
#   play_installed.sh 'COMMAND' OUT_DIR menu|level
#
# Runs COMMAND (the desktop entry's Exec line) with --trace OUT_DIR/trace.jsonl, waits for the main
# menu (OUT_DIR/menu.png, and an F12 screenshot into the player's folder), and with `level` presses
# Return twice ("Начать игру": the first key only shows the keyboard focus), waits until level 0 is
# being played, walks right, saves a screenshot with F12 (into the player's folder) and
# OUT_DIR/level.png; then ends the game as its close button does. Exit 0 when every step was
# reached and the game ended by itself; what went wrong is said on stderr.
set -u
command=$1 out=$2 how=$3
TIMEOUT_S=280   # a run that takes longer has hung (llvmpipe on a loaded machine is slow)
trace=$out/trace.jsonl
# The command line of a desktop entry: words split on blanks (our Exec line has no quoting).
read -r -a words <<<"$command"
"${words[@]}" --trace "$trace" >"$out/stdout.txt" 2>"$out/stderr.txt" &
pid=$!
deadline=$((SECONDS + TIMEOUT_S))
fail() { echo "play_installed: $*" >&2; ok=0; }
alive() { [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null; }
ticks() { [ -f "$trace" ] && wc -l <"$trace" || echo 0; }
last() { tail -n 1 "$trace" 2>/dev/null; }
wait_ticks() {
  local until=$(($(ticks) + $1))
  while [ "$(ticks)" -lt "$until" ]; do alive || return 1; sleep 0.1; done
}
ok=1
wait_ticks 40 || fail "the game did not run 40 logic ticks (see $out/stderr.txt)"
if [ $ok = 1 ]; then
  last | grep -q '"game_state":0,' || fail "not in the main menu after 40 ticks: $(last | cut -c1-200)"
  # The pointer off the buttons for the pictures (its hint would cover them), then back in the
  # middle, where it leaves the raccoon alone (mouse control walks towards a far pointer).
  xdotool mousemove 1000 750; wait_ticks 10
  import -window root "$out/menu.png"
  xdotool key F12; wait_ticks 10          # the game's own screenshot of the menu
  xdotool mousemove 512 384
fi
if [ $ok = 1 ] && [ "$how" = level ]; then
  xdotool key Return; wait_ticks 15; xdotool key Return
  until last | grep -q '"game_state":1,'; do alive || { fail "level 0 was never entered"; break; }; sleep 0.1; done
fi
if [ $ok = 1 ] && [ "$how" = level ]; then
  last | grep -q '"level_index":0,' || fail "the level entered is not level 0: $(last | cut -c1-200)"
  start_x=$(last | sed -n 's/.*"hero_x":\(-\?[0-9]*\),.*/\1/p')
  wait_ticks 10
  xdotool keydown Right; wait_ticks 60; xdotool keyup Right
  end_x=$(last | sed -n 's/.*"hero_x":\(-\?[0-9]*\),.*/\1/p')
  [ -n "$start_x" ] && [ -n "$end_x" ] && [ "$end_x" -gt "$start_x" ] ||
    fail "the raccoon did not walk right (hero_x $start_x -> $end_x)"
  xdotool key F12; wait_ticks 10
  import -window root "$out/level.png"
  alive || fail "the game ended in the level"
fi
kill -TERM $pid 2>/dev/null               # ends the loop as the close button does
# One that has not ended after 30 s is killed (and fails). Nothing is left running behind: the
# test removes this user afterwards.
for _ in $(seq 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -KILL $pid 2>/dev/null && fail "the game did not end within 30 s of being asked to"
wait $pid 2>/dev/null
status=$?
[ $status = 0 ] || fail "the game ended with status $status"
[ $ok = 1 ]
