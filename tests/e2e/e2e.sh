#!/usr/bin/env bash
# Drives the real program as a person would: under a virtual X server, by
# keyboard, through xdotool. Day one: add three words, take two into study,
# find nothing to review. Day two (the data file's dates moved back a day):
# review both, one "Remember" and one "Forgotten". Then the data file must
# hold the new intervals and dates, and every start must have left a backup.
# Run as root, the program itself runs as the unprivileged user nobody; its
# folder's name is not UTF-8 and holds a ';'.
#
# Usage: e2e.sh <lexitrain binary> <lexitrain-makedb binary>
# Starts a virtual X server of its own when no display is set.
set -euo pipefail

app_src=$(readlink -f "$1")
makedb=$(readlink -f "$2")
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb writes its display number to -displayfd only once it accepts
    # connections, so the program never races the server's start.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 1 300); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "e2e: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$work/display")"
fi
# The program's folder has a name that is not UTF-8 and holds a ';', which
# the connection string must not cut short.
app="$work/"$'caf\xe9;words'
mkdir "$app"
cp "$app_src" "$app/lexitrain"
"$makedb" "$app/db.mdb"
db="$app/db.mdb"

# The program runs as a user would: when this script runs as root (CI),
# as the unprivileged user nobody, in a folder that user owns, so that file
# modes count as they do for a real user.
run_as=()
user=$(id -un)
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
    chown -R nobody:"$(id -gn nobody)" "$work"
    chmod 755 "$work"
    run_as=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    user=nobody
fi
shots=${E2E_SCREENSHOTS:-}

fail() { echo "e2e: $*" >&2; exit 1; }
sql() { sqlite3 "$db" "$1"; }

# Waits for a window whose title matches, and focuses it.
wait_window() {
    local title=$1 id
    for _ in $(seq 1 300); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | tail -n 1 || true)
        if [ -n "$id" ]; then
            xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null || true
            sleep 0.3
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window titled '$title'"
}

key() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.25; }
type_text() { xdotool type --clearmodifiers --delay 20 -- "$1"; sleep 0.2; }
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" || true; }

start_app() {
    (cd "$app" && exec "${run_as[@]}" ./lexitrain) &
    app_pid=$!
    wait_window "Lexitrain 0.01 beta" >/dev/null
}

stop_app() {
    wait_window "Lexitrain 0.01 beta" >/dev/null
    key Escape
    local rc=0
    wait "$app_pid" || rc=$?
    [ "$rc" -eq 0 ] || fail "exit code $rc"
}

# Message boxes carry the executable's name as their caption.
dismiss_message() {
    wait_window "lexitrain" >/dev/null
    shot "message-$1"
    key Return
}

# ---- Day one -------------------------------------------------------------
start_app
shot main-menu
key alt+a
wait_window "Add New Work" >/dev/null
for entry in "apple|ˈæpəl|a round fruit" "river|ˈrɪvə|flowing water" "quiet|ˈkwaɪət|making little noise"; do
    IFS='|' read -r word pron desc <<<"$entry"
    type_text "$word"; key Tab
    type_text "$pron"; key Tab
    type_text "$desc"; key Tab   # Tab leaves the description for "Add New Word"
    shot "add-$word"
    key space
    dismiss_message "added-$word"
    key shift+Tab shift+Tab shift+Tab   # back to the word edit
done
key Escape

key alt+d
wait_window "Add New Words For Learned" >/dev/null
type_text "2"
key Return
dismiss_message taken
key Escape

key alt+r
dismiss_message nothing-to-review
key alt+l
wait_window "Pattern of learned" >/dev/null
shot learn
key Escape
stop_app

[ "$(sql 'SELECT COUNT(*) FROM Words')" = 2 ] || fail "Words should hold 2 rows"
[ "$(sql 'SELECT COUNT(*) FROM NewWords')" = 1 ] || fail "NewWords should hold 1 row"
[ "$(sql 'SELECT COUNT(*) FROM Words WHERE MemoryCycle = 1')" = 2 ] || fail "new cards start at interval 1"

# ---- Day two -------------------------------------------------------------
sql "UPDATE Words SET Date = datetime(Date, '-1 day')"
sleep 1   # a new second, so the second start gets a backup name of its own
start_app
key alt+r
wait_window "Pattern of learned" >/dev/null
shot review
# From the word edit: pronunciation, description, three label buttons, then "Remember".
key Tab Tab Tab Tab Tab Tab
key space
key Tab   # "Forgotten"
key space
shot review-done
key Escape
stop_app

today=$(date +%Y-%m-%d)
[ "$(sql "SELECT COUNT(*) FROM Words WHERE MemoryCycle = 2 AND date(Date) = '$today'")" = 1 ] || fail "one card remembered"
[ "$(sql "SELECT COUNT(*) FROM Words WHERE MemoryCycle = 1 AND date(Date) = '$today'")" = 1 ] || fail "one card forgotten"
[ "$(ls "$app/Backup" | wc -l)" = 2 ] || fail "each start leaves one backup"
[ "$(stat -c %U "$app/Backup")" = "$user" ] || fail "the program did not run as $user"
echo "e2e: passed"
