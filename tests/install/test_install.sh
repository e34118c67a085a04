#!/usr/bin/env bash
# Installs the game into a temporary prefix and plays the part of an ordinary user of that
# install under a virtual X display: the install has its desktop entry, which starts the game by
# its full path (the prefix's bin is not on the PATH), and icons; the language chosen at the
# first start and a high score come back at the next start; "Own IP" works; every window
# carries the program's icon; and nothing is written into the install prefix.
# Run as root (as CI does), the game runs as the user nobody; otherwise as the caller, with the
# prefix made read-only. As nobody, too: an install for one user from the build root made, and
# its removal by the README's commands.   Usage: test_install.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
for tool in Xvfb xdotool xprop desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d /tmp/ostrel-install.XXXXXX)
app_pid= xvfb_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Also called inside $(...): the message goes to stderr, and the failed assignment ends the script.
fail() {
    {
        echo "FAIL: $*"
        for log in "$work"/run*.log; do [ -f "$log" ] && { echo "--- $log"; tail -20 "$log"; }; done
    } >&2
    exit 1
}

runas=()
if [ "$(id -u)" = 0 ]; then
    runas=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi

# ---- install ---------------------------------------------------------------------------------
# A packager's staged install: the entry names the executable where it will finally lie, quoted
# as the entry's format asks for a path with blanks and a dollar sign, and so does the list of
# installed files.
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix '/opt/Four $ Row' >/dev/null
staged_entry="$stage/opt/Four \$ Row/share/applications/ostrel.desktop"
desktop-file-validate "$staged_entry" || fail "staged desktop entry is not valid"
grep -qxF 'Exec="/opt/Four \\$ Row/bin/Ostrel"' "$staged_entry" || fail "staged entry: $(grep '^Exec=' "$staged_entry")"
[ -x "$stage/opt/Four \$ Row/bin/Ostrel" ] || fail "staged executable missing"
[ "$(cd "$stage" && find . -type f | sed 's/^\.//' | sort)" = "$(sort "$stage/opt/Four \$ Row/lib/ostrel/install_manifest.txt")" ] ||
    fail "the staged list of installed files does not name their final places"

# One user's install from a build folder that is not theirs (as nobody from root's build), then
# the README's removal: the install succeeds with its desktop entry, and nothing of it is left.
chmod 755 "$work"
own=$work/own
mkdir -p "$own"
[ ${#runas[@]} -gt 0 ] && chown nobody:nogroup "$own"
"${runas[@]}" cmake --install "$build" --prefix "$own/prefix" >"$work/own.log" 2>&1 ||
    fail "one user's install failed: $(tail -5 "$work/own.log")"
desktop-file-validate "$own/prefix/share/applications/ostrel.desktop" || fail "one user's install has no valid desktop entry"
[ "$(find "$own/prefix" -type f | sort)" = "$(sort "$own/prefix/lib/ostrel/install_manifest.txt")" ] ||
    fail "one user's list of installed files is not the installed files"
removal=$(sed -n '/^## Installing/,/^## /p' "$readme" | sed -n 's/^    \(.*<prefix>.*\)$/\1/p')
[ "$(printf '%s\n' "$removal" | wc -l)" = 2 ] || fail "README: no removal commands found"
"${runas[@]}" bash -euc "${removal//<prefix>/\"\$1\"}" removal "$own/prefix" || fail "the README's removal failed"
[ -z "$(find "$own/prefix" -type f)" ] || fail "the README's removal left: $(find "$own/prefix" -type f | head -3)"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
entry=$prefix/share/applications/ostrel.desktop
desktop-file-validate "$entry" || fail "desktop entry is not valid"
grep -q '^Categories=Game;BoardGame;$' "$entry" || fail "desktop entry categories"
# The menu starts the game by its full path: the prefix's bin is on nobody's PATH below.
game=$(sed -n 's/^Exec=//p' "$entry")
[ "$game" = "$prefix/bin/Ostrel" ] || fail "desktop entry starts '$game', not $prefix/bin/Ostrel"
# The list in the program folder names every installed file (the README removes an install with it).
[ "$(find "$prefix" -type f | sort)" = "$(sort "$prefix/lib/ostrel/install_manifest.txt")" ] || fail "the list of installed files is not the installed files"
for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/ostrel.png
    # A PNG whose header gives the size of its folder.
    [ "$(od -An -tx1 -j1 -N3 "$icon" | tr -d ' ')" = 504e47 ] || fail "$icon is no PNG"
    [ "$(od -An -tu1 -j18 -N2 "$icon" | awk '{print $1 * 256 + $2}')" = "$size" ] || fail "$icon is not $size pixels wide"
done
[ -x "$prefix/bin/Ostrel" ] && [ -f "$prefix/lib/ostrel/libHarbex.so" ] || fail "program or control library missing"

# A packager's settings file with a high score: the user's own file starts as a copy of it.
printf '[HIGHSCORES]\r\nPlayer1=Ada\r\nPoints1= 12500\r\n' > "$prefix/lib/ostrel/Ostrel.ini"
chmod -R a+rX,a-w "$prefix"

home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 700 "$home" "$work/runtime"
[ ${#runas[@]} -gt 0 ] && chown nobody:nogroup "$home" "$work/runtime"
snapshot() { find "$prefix" -printf '%p %s %T@ %m\n' | sort; }

# ---- display ---------------------------------------------------------------------------------
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")

run=0
start_game() {
    run=$((run + 1))
    env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
        XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        "${runas[@]}" "$game" >"$work/run$run.log" 2>&1 &
    app_pid=$!
}
# The id of the visible window whose title matches $1, waiting for it (up to 30 s); a window
# matching $2 (if given) showing up meanwhile fails at once. $3: an id to pass over.
window() {
    local id
    for _ in $(seq 600); do
        kill -0 "$app_pid" 2>/dev/null || fail "the game ended while waiting for '$1'"
        if [ -n "${2:-}" ] && xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; then
            fail "window '$2' appeared while waiting for '$1'"
        fi
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "${3:-none}" | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.05
    done
    fail "no window '$1'"
}
gone() {
    for _ in $(seq 600); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.05
    done
    fail "window '$1' stays open"
}
# The icon property may be set a moment after the window shows: wait for it (up to 10 s).
has_icon() {
    for _ in $(seq 200); do
        xprop -id "$1" _NET_WM_ICON 2>/dev/null | grep -q 'Icon (' && return 0
        sleep 0.05
    done
    fail "window $1 ('$2') has no icon"
}
keys() { xdotool windowfocus --sync "$1" 2>/dev/null || true; shift; xdotool key --clearmodifiers "$@"; }
main_window() {
    local title
    title=$(window '^Ostrel$' "${1:-}")
    has_icon "$title" "title"
    window '^Ostrel$' "${1:-}" "$title"
}
# The Game menu, the first in the menu bar, opened by a click (the German menus share Alt+S).
visible() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
game_menu() {
    local count
    count=$(visible)
    xdotool mousemove --window "$1" 30 10 click 1
    for _ in $(seq 600); do [ "$(visible)" -gt "$count" ] && break; sleep 0.05; done
    [ "$(visible)" -gt "$count" ] || fail "the Game menu did not open"
    xdotool key "$2"
}
# German captions: the Game menu opens the high-score list as "Bestenliste".
check_german_high_scores() {
    game_menu "$1" l
    local best
    best=$(window '^Bestenliste$')
    has_icon "$best" "Bestenliste"
    keys "$best" Return
    gone '^Bestenliste$'
}
quit_game() {
    game_menu "$1" b
    for _ in $(seq 600); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$app_pid" 2>/dev/null && fail "the game did not end on Exit"
    wait "$app_pid" || fail "the game ended with an error"
    app_pid=
}
settings=$home/config/Ostrel/Ostrel.ini
holds() { tr -d '\r' < "$settings" | grep -qx -- "$1" || fail "settings file lacks '$1': $(tr '\r\n' ' ' < "$settings")"; }

# ---- first start: the language question, answered with the German flag ------------------------
before=$(snapshot)
start_game
lang=$(window 'Sprachauswahl')
has_icon "$lang" "language window"
xdotool mousemove --window "$lang" 224 60 click 1
gone 'Sprachauswahl'
main=$(main_window)
has_icon "$main" "main window"
check_german_high_scores "$main"
quit_game "$main"
holds 'Language=GERMAN'
holds 'Player1=Ada'
holds 'Points1= 12500'
[ "$(snapshot)" = "$before" ] || fail "the first start wrote into the install prefix"

# ---- second start: no question, German, the high score kept, "Own IP" ----------------------------
# The shipped file goes: what comes back now can only come from the user's own file.
chmod u+w "$prefix/lib/ostrel" && rm "$prefix/lib/ostrel/Ostrel.ini" && chmod a-w "$prefix/lib/ostrel"
before=$(snapshot)
start_game
main=$(main_window 'Sprachauswahl')
check_german_high_scores "$main"
keys "$main" F3
dialog=$(window '^TCP/IP - Verbindung aufbauen$')
has_icon "$dialog" "connection dialog"
keys "$dialog" alt+e
own=$(window '^Eigene IP-Adressen$')
has_icon "$own" "own addresses"
[ -s "$home/data/Ostrel/IP.TXT" ] || fail "no route printout in the work folder"
keys "$own" Escape
gone '^Eigene IP-Adressen$'
keys "$dialog" Escape
gone '^TCP/IP - Verbindung aufbauen$'
quit_game "$main"
holds 'Language=GERMAN'
holds 'Player1=Ada'
holds 'Points1= 12500'
[ "$(snapshot)" = "$before" ] || fail "the second start wrote into the install prefix"
echo "installed game: 2 starts as $( [ ${#runas[@]} -gt 0 ] && echo nobody || id -un ), all checks passed"
