#!/usr/bin/env bash
# install_test.sh - the game as players get it: builds the Debian package (scripts/package, which
# also runs the validators and lintian), installs it with dpkg -i, and plays it as two ordinary
# users, each with a HOME of their own, under Xvfb, through the command of the desktop entry:
#   - player A (default XDG folders) reaches the main menu, plays into level 0, walks and takes a
#     screenshot: the settings, the profile and the screenshot appear in
#     ~/.local/share/tarvelok/ (a folder of mode 0700), owned by A;
#   - player B (XDG_DATA_HOME set, a profile "Борис" named in B's own settings) reaches the main
#     menu: B's profile and settings are in B's folder, A's are untouched and neither sees the
#     other's profile;
#   - root, whom file permissions would not stop, reaches the main menu too, with the saves in
#     root's own XDG folder;
#   - nothing of the package was changed or added to (dpkg --verify, and no file in its folders
#     that dpkg does not list);
# then purges the package and checks that none of its files or folders is left. Whatever happens,
# the package, the users and the scratch folder are removed at the end (trap on EXIT).
# Needs root (CI runs as root); as anyone else it says so and passes without testing. One install
# test at a time per machine (a lock), since the package is installed system-wide.
# Exit 0 when every check held; each failure is said on stderr.
set -u
cd "$(dirname "$0")/../.."
export PATH="$PATH:/usr/sbin:/sbin"   # useradd, userdel, runuser, even under a runner's short PATH
if [ "$(id -u)" -ne 0 ]; then
  echo "install test: skipped (it needs root to install the package and make test users)"
  exit 0
fi
mkdir -p /run/lock   # a bare container may lack it
exec 9>/run/lock/tarvelok-install-test.lock
flock 9

failures=0
fail() { echo "install test: FAILED: $*" >&2; failures=$((failures + 1)); }
# dpkg waits for no one: while another apt or dpkg runs on the machine (a developer's set-up),
# it is tried again, for up to five minutes. Its output goes to $work/dpkg.txt.
dpkg_retry() {
  local attempt
  for attempt in $(seq 60); do
    dpkg "$@" >"$work/dpkg.txt" 2>&1 && return 0
    grep -q 'lock' "$work/dpkg.txt" || return 1
    sleep 5
  done
  return 1
}

work=$(mktemp -d /tmp/tarvelok-install-test.XXXXXX)
chmod 755 "$work"
user_a=tvk-a-$$ user_b=tvk-b-$$
installed=0
cleanup() {
  [ $installed = 1 ] && ! dpkg_retry --purge tarvelok && echo "install test: could not purge tarvelok: $(tail -2 "$work/dpkg.txt")" >&2
  for u in "$user_a" "$user_b"; do
    # A process of the user still ending (the X server) makes userdel refuse: a few tries.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      id "$u" >/dev/null 2>&1 || break
      userdel "$u" 2>/dev/null || sleep 1
    done
    id "$u" >/dev/null 2>&1 && echo "install test: could not remove the test user $u" >&2
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Only this test installs the package on a test machine: one left by a run that was killed
# outright is purged first, so that this run starts from a machine without it.
if dpkg-query -W -f='${Status}' tarvelok 2>/dev/null | grep -q 'ok installed'; then
  echo "install test: purging the tarvelok package left by an earlier run"
  dpkg_retry --purge tarvelok || { echo "install test: FAILED: cannot purge it: $(tail -2 "$work/dpkg.txt")" >&2; exit 1; }
fi

deb=$(scripts/package | tail -n 1)
if [ ! -f "$deb" ]; then
  echo "install test: FAILED: scripts/package made no package" >&2
  exit 1
fi
echo "install test: installing $deb"
installed=1   # from here on the clean-up purges, whatever dpkg -i got to
if ! dpkg_retry -i "$deb"; then
  cat "$work/dpkg.txt" >&2
  echo "install test: FAILED: dpkg -i $deb" >&2
  exit 1
fi
dpkg -L tarvelok | sort >"$work/files.txt"
package_dirs=(/usr/games /usr/lib/games/tarvelok /usr/share/games/tarvelok)

exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/tarvelok.desktop)
[ -n "$exec_line" ] || fail "the desktop entry has no Exec line"

# make_player NAME HOME: an ordinary user with that home folder.
make_player() {
  useradd --no-create-home --home-dir "$2" --shell /bin/sh --user-group "$1"
  mkdir -p "$2" "$2/out"
  chown -R "$1:$1" "$2"
  chmod 700 "$2"
}
# play NAME HOME menu|level [VAR=VALUE...]: one session as that user, in a clean environment.
play() {
  local user=$1 home=$2 how=$3
  shift 3
  (cd "$home" && runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/local/bin:/usr/bin:/bin:/usr/games \
      TARVELOK_NO_DIALOGS=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$@" \
      timeout -k 10 330 xvfb-run -a -s '-screen 0 1024x768x24' \
      "$work/play_installed.sh" "$exec_line" "$home/out" "$how")
}

# The players run the driver from the scratch folder: the repository may be in a folder they
# cannot enter (root's home on a CI machine).
cp tests/install/play_installed.sh "$work/"
chmod 755 "$work/play_installed.sh"
home_a=$work/home-a home_b=$work/home-b
make_player "$user_a" "$home_a"
make_player "$user_b" "$home_b"

# ---- player A: default XDG folders, into level 0 -------------------------------------------
folder_a=$home_a/.local/share/tarvelok
play "$user_a" "$home_a" level || fail "player A's session (see $home_a/out/stderr.txt)"
# TARVELOK_INSTALL_TEST_SHOTS=DIR keeps the screen pictures and the game's own screenshots.
[ -n "${TARVELOK_INSTALL_TEST_SHOTS:-}" ] && cp "$home_a/out/"*.png "$folder_a"/tarvelok-*.png "$TARVELOK_INSTALL_TEST_SHOTS/" 2>/dev/null
shots=$(ls "$folder_a"/tarvelok-*.png 2>/dev/null | wc -l)
[ "$shots" = 2 ] || fail "A's two F12 screenshots (menu, level) are not in $folder_a ($shots there)"
[ -f "$folder_a/cfg/config.txt" ] || fail "A's settings are not in $folder_a/cfg/config.txt"
[ -f "$folder_a/cfg/prf/Игрок" ] || fail "A's profile is not in $folder_a/cfg/prf/"
[ "$(stat -c %a "$folder_a")" = 700 ] || fail "$folder_a has mode $(stat -c %a "$folder_a"), not 700"
others=$(find "$home_a" ! -user "$user_a" | head -3)
[ -z "$others" ] || fail "files in A's home not owned by A: $others"
[ -e "$folder_a/cfg/scenes.txt" ] && fail "game data was copied into A's folder"
sum_a=$(cat "$folder_a/cfg/config.txt" "$folder_a/cfg/prf/"* | md5sum)

# ---- player B: XDG_DATA_HOME, a profile of B's own named in B's settings -----------------------
data_b=$home_b/data folder_b=$home_b/data/tarvelok
mkdir -p "$folder_b/cfg"
printf '1\r\n0\r\n0\r\n0\r\n\xc1\xee\xf0\xe8\xf1\r\n' >"$folder_b/cfg/config.txt"   # "Борис" in 1251
chown -R "$user_b:$user_b" "$data_b"
play "$user_b" "$home_b" menu XDG_DATA_HOME="$data_b" || fail "player B's session (see $home_b/out/stderr.txt)"
[ -f "$folder_b/cfg/prf/Борис" ] || fail "B's profile Борис is not in $folder_b/cfg/prf/"
[ -e "$folder_a/cfg/prf/Борис" ] && fail "B's profile appeared in A's folder"
[ -e "$home_b/.local" ] && fail "B's game wrote under ~/.local although XDG_DATA_HOME is set"
[ "$(cat "$folder_a/cfg/config.txt" "$folder_a/cfg/prf/"* | md5sum)" = "$sum_a" ] || fail "B's session changed A's files"
grep -q "$(printf '\xc1\xee\xf0\xe8\xf1')" "$folder_b/cfg/config.txt" || fail "B's settings no longer name B's profile"

# ---- root, whom no permission stops: the saves still go to root's folder only ------------------
home_root=$work/home-root
mkdir -p "$home_root/out"
play root "$home_root" menu || fail "root's session (see $home_root/out/stderr.txt)"
[ -f "$home_root/.local/share/tarvelok/cfg/config.txt" ] || fail "root's settings are not in root's XDG folder"

# ---- nothing written where the package lives ---------------------------------------------------
dpkg --verify tarvelok >"$work/verify.txt" 2>&1 || true
[ -s "$work/verify.txt" ] && fail "the package's files changed: $(head -3 "$work/verify.txt")"
extra=$(find "${package_dirs[@]}" 2>/dev/null | grep -E '^/usr/(games/tarvelok|lib/games/tarvelok|share/games/tarvelok)' | sort | comm -23 - "$work/files.txt")
[ -z "$extra" ] || fail "files the package does not own appeared: $(echo "$extra" | head -3)"

# ---- removal leaves nothing --------------------------------------------------------------------
if dpkg_retry --purge tarvelok; then
  installed=0
else
  fail "dpkg --purge tarvelok: $(tail -3 "$work/dpkg.txt")"
fi
left=$(while read -r f; do
         [ -f "$f" ] || [ -L "$f" ] && echo "$f"
       done <"$work/files.txt")
[ -z "$left" ] || fail "files of the package left after purging: $(echo "$left" | head -3)"
for d in /usr/lib/games/tarvelok /usr/share/games/tarvelok /usr/share/doc/tarvelok; do
  [ -e "$d" ] && fail "$d is left after purging"
done

if [ $failures -gt 0 ]; then
  echo "install test: $failures check(s) failed" >&2
  exit 1
fi
echo "install test: passed (installed, two players played, nothing written under /usr, nothing left after purging)"
