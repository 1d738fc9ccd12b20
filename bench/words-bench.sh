#!/usr/bin/env bash
# lexitrain-words against the sqlite3 shell on the same data:
#   import: 100,000 generated words (CSV) into a data file that already holds
#   100,000 new words, against the shell's `.import` of the same file into a
#   plain table plus one INSERT ... SELECT into NewWords;
#   export: 1,000,000 new words to CSV, against the shell's `.mode csv` output.
# Each side runs on a fresh copy of the data file, best of three runs by
# wall clock, with the CPU time (user + system) of that run beside it: on a
# shared machine the CPU time is the steadier figure. The tool's import includes its backup of the data file and its
# duplicate checks; the shell does neither. Prints a Markdown table.
#
# Usage: bench/words-bench.sh <lexitrain-words> <lexitrain-makedb> [work dir]
set -euo pipefail

words=$(realpath "$1")
makedb=$(realpath "$2")
work=${3:-$(mktemp -d)}
mkdir -p "$work"
cd "$work"

python3 - <<'PY'
import random
random.seed(15)
def line(prefix, i):
    return '%s%d,ˈwɜːd%d,"a word, number %d"\n' % (prefix, i, i, i)
with open('import.csv', 'w') as f:
    f.write('Word,Pronunciation,Description\n')
    for i in range(100000):
        f.write(line('new', i))
with open('existing.csv', 'w') as f:
    f.write('Word,Pronunciation,Description\n')
    for i in range(100000):
        f.write(line('old', i))
PY

best() { # command...; prints the best of three runs as "wall cpu" seconds
    local runs=()
    for _ in 1 2 3; do
        prepare
        runs+=("$(python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print('%.3f %.3f' % (wall, usage.ru_utime + usage.ru_stime))
PY
)")
    done
    printf '%s\n' "${runs[@]}" | sort -n | head -n 1
}

# A data file with 100,000 new words, made once.
rm -f base.mdb && "$makedb" "$PWD/base.mdb" >/dev/null
"$words" --data "$PWD/base.mdb" import existing.csv >/dev/null
rm -rf Backup

prepare() { rm -rf run.mdb Backup; cp base.mdb run.mdb; }
tool_import=$(best "$words" --data "$PWD/run.mdb" import import.csv)
shell_import=$(best sqlite3 run.mdb ".import --csv import.csv Staging" \
    "INSERT INTO NewWords (Word, Pronunciation, Description) SELECT Word, Pronunciation, Description FROM Staging")

# A data file with 1,000,000 new words.
rm -f big.mdb && "$makedb" "$PWD/big.mdb" >/dev/null
sqlite3 big.mdb "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
    INSERT INTO NewWords (Word, Pronunciation, Description) SELECT 'word' || i, 'ˈwɜːd' || i, 'a word, number ' || i FROM n"
prepare() { :; }
tool_export=$(best "$words" --data "$PWD/big.mdb" export -o out-tool.csv)
shell_export=$(best sh -c "sqlite3 -csv -header big.mdb 'SELECT Word, Pronunciation, Description FROM NewWords ORDER BY ID' >out-shell.csv")

ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
row() { # name tool-times shell-times
    read -r tw tc <<<"$2"
    read -r sw sc <<<"$3"
    echo "| $1 | $tw s | $sw s | $(ratio "$tw" "$sw")× | $tc s | $sc s | $(ratio "$tc" "$sc")× |"
}
echo "| Operation | lexitrain-words, wall | sqlite3 shell, wall | ratio | lexitrain-words, CPU | sqlite3 shell, CPU | ratio |"
echo "|---|---|---|---|---|---|---|"
row "Import 100k words into 100k" "$tool_import" "$shell_import"
row "Export 1M words as CSV" "$tool_export" "$shell_export"
