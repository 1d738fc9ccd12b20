#!/usr/bin/env bash
# lexitrain-words as a user meets it: usage and exit codes, an import with
# duplicates, a malformed list and a read-only data file (as an unprivileged
# user, since root ignores file modes) each leaving the data file byte for
# byte as it was with one line saying where, a round trip through the
# command line (each new data file alone in its folder), the figures and
# their picture; then the install tree: every file in place, the desktop
# entry and the AppStream metainfo valid.
#
# Usage: words-cli.sh <lexitrain-words> <lexitrain-makedb> <build dir>
set -uo pipefail

words=$1
makedb=$2
build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() { # expected actual what
    [ "$1" -eq "$2" ] || fail "$3: exit status $2, expected $1"
}

# Usage and help.
"$words" --help >"$work/out" 2>&1; expect_status 0 $? "--help"
grep -q 'import' "$work/out" && grep -q 'stats' "$work/out" || fail "--help names no commands"
"$words" >/dev/null 2>&1; expect_status 2 $? "no command"
"$words" frobnicate >/dev/null 2>&1; expect_status 2 $? "unknown command"
"$words" export --table both >/dev/null 2>&1; expect_status 2 $? "unknown table"

# An import with duplicates.
"$makedb" "$work/db.mdb" >/dev/null || { echo "cannot make a data file"; exit 1; }
printf 'Word,Pronunciation,Description\nHund,hʊnt,dog\nKatze,,"cat, ""the"" animal"\nhund,,again\n' >"$work/list.csv"
"$words" --data "$work/db.mdb" import --verbose "$work/list.csv" >"$work/out" 2>"$work/err"
expect_status 0 $? "import"
grep -qx 'Added 2 word(s); skipped 1 duplicate(s).' "$work/out" || fail "import summary: $(cat "$work/out")"
grep -q "list.csv:4: hund (repeated in the list)" "$work/out" || fail "verbose names no duplicate"
ls "$work"/Backup/db.*.MDB >/dev/null 2>&1 || fail "no backup before the import"

# A malformed list changes nothing and says where, in one line.
cp "$work/db.mdb" "$work/before.mdb"
printf 'fine\nbro"ken,x\n' >"$work/bad.csv"
"$words" --data "$work/db.mdb" import "$work/bad.csv" >/dev/null 2>"$work/err"
expect_status 1 $? "malformed import"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "malformed: not one line: $(cat "$work/err")"
grep -q "^lexitrain-words: $work/bad.csv:2: malformed" "$work/err" || fail "malformed: $(cat "$work/err")"
cmp -s "$work/db.mdb" "$work/before.mdb" || fail "malformed import changed the data file"

# A read-only data file, as nobody in a folder nobody owns.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
    ro="$work/ro"
    mkdir "$ro"
    cp "$words" "$ro/lexitrain-words"
    cp "$work/db.mdb" "$ro/db.mdb"
    printf 'new\n' >"$ro/list.csv"
    chmod 755 "$work"
    chown -R nobody:nogroup "$ro"
    chmod 444 "$ro/db.mdb"
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$ro/lexitrain-words" --data "$ro/db.mdb" \
        import "$ro/list.csv" >/dev/null 2>"$work/err"
    expect_status 1 $? "read-only import"
    grep -q "^lexitrain-words: $ro/db.mdb: " "$work/err" || fail "read-only: $(cat "$work/err")"
    cmp -s "$ro/db.mdb" "$work/db.mdb" || fail "read-only import changed the data file"
elif [ "$(id -u)" -ne 0 ]; then
    ro="$work/ro"
    mkdir "$ro"
    cp "$work/db.mdb" "$ro/db.mdb"
    chmod 444 "$ro/db.mdb"
    printf 'new\n' >"$ro/list.csv"
    "$words" --data "$ro/db.mdb" import "$ro/list.csv" >/dev/null 2>"$work/err"
    expect_status 1 $? "read-only import"
    cmp -s "$ro/db.mdb" "$work/db.mdb" || fail "read-only import changed the data file"
else
    echo "SKIP: read-only case: running as root without setpriv or a user 'nobody' to drop to"
fi

# A round trip through the command line, each format. Each copy has a folder
# of its own: backups within one second of each other would share a name.
for format in csv tsv xml; do
    "$words" --data "$work/db.mdb" export --format $format -o "$work/out.$format" 2>/dev/null
    expect_status 0 $? "export $format"
    mkdir "$work/$format"
    "$makedb" "$work/$format/db.mdb" >/dev/null
    # Nothing but the new data file: no journal, no temporary file.
    [ "$(ls -A "$work/$format")" = "db.mdb" ] || fail "makedb left beside the data file: $(ls -A "$work/$format")"
    "$words" --data "$work/$format/db.mdb" import "$work/out.$format" >/dev/null 2>&1
    expect_status 0 $? "import $format"
    "$words" --data "$work/$format/db.mdb" export --format $format >"$work/again.$format" 2>/dev/null
    cmp -s "$work/out.$format" "$work/again.$format" || fail "$format round trip differs"
done

# The figures and their picture.
"$words" --data "$work/db.mdb" stats --plot "$work/stats.png" >"$work/out" 2>"$work/err"
expect_status 0 $? "stats"
grep -Eq '^New words: +2$' "$work/out" || fail "stats: $(cat "$work/out")"
file "$work/stats.png" | grep -q 'PNG image' || fail "stats: no picture"
"$words" --data "$work/none.mdb" stats >/dev/null 2>"$work/err"
expect_status 1 $? "stats on a missing file"
grep -q "none.mdb" "$work/err" || fail "missing file not named: $(cat "$work/err")"

# The install tree.
if cmake --install "$build" --prefix "$work/inst" >/dev/null; then
    for f in bin/lexitrain bin/lexitrain-words bin/lexitrain-makedb share/man/man1/lexitrain.1 \
        share/man/man1/lexitrain-words.1 share/man/man1/lexitrain-makedb.1 \
        share/applications/io.github.lexitrain.Lexitrain.desktop \
        share/metainfo/io.github.lexitrain.Lexitrain.metainfo.xml share/icons/hicolor/scalable/apps/lexitrain.svg; do
        [ -e "$work/inst/$f" ] || fail "not installed: $f"
    done
    for size in 16 22 24 32 48 64 128 256; do
        file "$work/inst/share/icons/hicolor/${size}x${size}/apps/lexitrain.png" | grep -q "$size x $size" ||
            fail "icon ${size}x${size} missing or of another size"
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$work/inst/share/applications/io.github.lexitrain.Lexitrain.desktop" ||
            fail "desktop entry invalid"
    else
        echo "SKIP: desktop-file-validate is not installed"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$work/inst/share/metainfo/io.github.lexitrain.Lexitrain.metainfo.xml" \
            >/dev/null || fail "metainfo invalid"
    else
        echo "SKIP: appstreamcli is not installed"
    fi
else
    fail "cmake --install failed"
fi

[ "$failures" -eq 0 ] && echo "all lexitrain-words checks passed"
exit $((failures > 0))
