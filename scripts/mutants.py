#!/usr/bin/env python3
"""Mutation testing for one layer of Lexitrain.

Plants one small fault at a time into a layer's sources (a relational or
equality operator swapped, && and || exchanged, true and false exchanged, an
integer literal moved by one, a simple statement dropped, an if condition
negated), rebuilds only that layer's test program in a build folder of its
own, runs it under a time limit and puts the source back byte for byte. A
mutant the tests fail on is killed; one they pass is a survivor, a gap in the
tests unless no behaviour can tell it from the original.

Usage:
  scripts/mutants.py --layer db --sample 80 --seed 14
  scripts/mutants.py --layer platform --list            every site, numbered
  scripts/mutants.py --layer db --ids 17,240            only those sites

The sources are never left mutated: the original is written back after each
mutant, on Ctrl-C, on SIGTERM and SIGHUP, and on any error; a copy of the
file being mutated is kept outside the tree with a journal, so that a run
that was killed outright (SIGKILL, power loss) is repaired by the next run
before it does anything else. A run refuses to start when a file it would
mutate has changes git does not know of, so it never mistakes a half-edited
file for the original.

Python 3 standard library only. Not part of scripts/test.sh: a run of 80
mutants takes tens of minutes.
"""

import argparse
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LAYERS = {
    "platform": "platform_tests",
    "engine": "engine_tests",
    "db": "db_tests",
    "store": "store_tests",
    "ui": "ui_tests",
    "app": "app_tests",
}
QT_TESTS = {"ui_tests", "app_tests"}

# ---------------------------------------------------------------- lexing

PUNCTUATORS = sorted(
    """<=> <<= >>= ->* ... :: << >> <= >= == != && || ++ -- -> += -= *= /= %= &= |= ^= ##
    { } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #""".split(),
    key=len,
    reverse=True,
)
RAW_PREFIXES = {"R", "LR", "uR", "UR", "u8R"}
TEXT_PREFIXES = {"L", "u", "U", "u8"}


@dataclass
class Token:
    kind: str  # ident, number, punct, string, char
    text: str
    start: int
    end: int
    space_before: bool = False
    space_after: bool = False


def tokenize(src):
    """Cuts C++ source into tokens. Comments and preprocessor lines give no
    tokens at all, and string and character literals give one opaque token
    each, so nothing inside them can ever become a mutation site."""
    tokens = []
    i, n = 0, len(src)
    line_start = True
    while i < n:
        c = src[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if src.startswith("//", i):
            i = src.find("\n", i)
            i = n if i < 0 else i
            continue
        if src.startswith("/*", i):
            j = src.find("*/", i + 2)
            i = n if j < 0 else j + 2
            continue
        if c == "#" and line_start:
            # A directive runs to the end of the line, continuations included.
            while i < n and src[i] != "\n":
                if src[i] == "\\" and i + 1 < n and src[i + 1] == "\n":
                    i += 2
                    continue
                if src.startswith("/*", i):
                    j = src.find("*/", i + 2)
                    i = n if j < 0 else j + 2
                    continue
                i += 1
            continue
        line_start = False
        start = i
        if c.isalpha() or c == "_":
            while i < n and (src[i].isalnum() or src[i] == "_"):
                i += 1
            word = src[start:i]
            if i < n and src[i] == '"' and word in RAW_PREFIXES:
                m = re.compile(r'"([^()\\\s]{0,16})\(').match(src, i)
                close = ")" + m.group(1) + '"'
                j = src.find(close, m.end())
                i = n if j < 0 else j + len(close)
                tokens.append(Token("string", src[start:i], start, i))
                continue
            if i < n and src[i] in "\"'" and word in TEXT_PREFIXES:
                i = skip_quoted(src, i)
                tokens.append(Token("string", src[start:i], start, i))
                continue
            tokens.append(Token("ident", word, start, i))
            continue
        if c.isdigit() or (c == "." and i + 1 < n and src[i + 1].isdigit()):
            while i < n:
                ch = src[i]
                if ch in "eEpP" and i + 1 < n and src[i + 1] in "+-" and not src[start:i].lower().startswith("0x"):
                    i += 2
                elif ch in "pP" and i + 1 < n and src[i + 1] in "+-":
                    i += 2
                elif ch.isalnum() or ch in "_.'":
                    i += 1
                else:
                    break
            tokens.append(Token("number", src[start:i], start, i))
            continue
        if c in "\"'":
            i = skip_quoted(src, i)
            tokens.append(Token("string" if c == '"' else "char", src[start:i], start, i))
            continue
        for p in PUNCTUATORS:
            if src.startswith(p, i):
                i += len(p)
                break
        else:
            i += 1
        tokens.append(Token("punct", src[start:i], start, i))
    for k, t in enumerate(tokens):
        t.space_before = t.start > 0 and src[t.start - 1].isspace()
        t.space_after = t.end < n and src[t.end].isspace()
    return tokens


def skip_quoted(src, i):
    quote = src[i]
    i += 1
    while i < len(src) and src[i] != quote:
        if src[i] == "\\":
            i += 1
        elif src[i] == "\n":
            break
        i += 1
    return i + 1


# ---------------------------------------------------------------- sites


@dataclass
class Site:
    path: Path  # relative to ROOT
    start: int
    end: int
    original: str
    mutant: str
    line: int
    operator: str

    def describe(self):
        def short(text):
            text = " ".join(text.split())
            return text if len(text) <= 70 else text[:67] + "..."

        return f"{self.path}:{self.line} {short(self.original)} -> {short(self.mutant)}"


SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
BOOLS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
NOT_STATEMENT_HEADS = set(
    """return if else for while do switch case default break continue goto using typedef namespace
    template class struct union enum static const constexpr consteval constinit auto int long short
    unsigned signed bool double float char char16_t char32_t wchar_t void delete new throw
    static_assert co_return co_await co_yield public private protected friend virtual explicit inline
    extern typename volatile mutable thread_local operator try catch BOOL DWORD LONG HRESULT""".split()
)
INTEGER = re.compile(r"^(0[xX][0-9a-fA-F]+|0[bB][01]+|[0-9]+)([uUlLzZ]*)$")


def find_sites(path, src):
    tokens = tokenize(src)
    in_body = function_body_flags(tokens)
    # A static_assert checks at build time what a test would: a fault in it
    # either fails the build or changes nothing the program does.
    checked = set()
    for k, t in enumerate(tokens):
        if t.text == "static_assert" and k + 1 < len(tokens) and tokens[k + 1].text == "(":
            close = matching(tokens, k + 1)
            checked.update(range(k, (close or k) + 1))
    sites = []

    def add(start, end, mutant, operator):
        sites.append(Site(path, start, end, src[start:end], mutant, src.count("\n", 0, start) + 1, operator))

    for k, t in enumerate(tokens):
        if k in checked:
            continue
        # Binary operators only: clang-format surrounds them with blanks and
        # never the angle brackets of a template or the && of a reference.
        if t.kind == "punct" and t.text in SWAPS and (t.text in ("==", "!=") or (t.space_before and t.space_after)):
            add(t.start, t.end, SWAPS[t.text], "swap")
        elif t.kind == "ident" and t.text in BOOLS:
            add(t.start, t.end, BOOLS[t.text], "bool")
        elif t.kind == "number":
            m = INTEGER.match(t.text)
            if m:
                add_integer_sites(add, t, m)
        elif t.kind == "ident" and t.text == "if":
            negate_condition(add, tokens, k, src)
        if in_body[k] and is_statement_start(tokens, k):
            drop_statement(add, tokens, k)
    return sites


def function_body_flags(tokens):
    """For each token, whether it stands in a function's body rather than
    in a class, an enumeration or a namespace, where a "statement" would be
    a declaration."""
    flags = []
    stack = []
    head = 0  # first token of the text that a "{" opens
    for k, t in enumerate(tokens):
        if t.kind == "punct" and t.text == "{":
            words = {x.text for x in tokens[head:k] if x.kind == "ident"}
            if stack and stack[-1] == "body":
                stack.append("body")
            elif words & {"class", "struct", "union", "enum", "namespace"} and not any(
                x.text == "(" for x in tokens[head:k]
            ):
                stack.append("type")
            elif words & {"extern"} and not any(x.text == "(" for x in tokens[head:k]):
                stack.append("type")
            else:
                stack.append("body")
            head = k + 1
        elif t.kind == "punct" and t.text == "}":
            if stack:
                stack.pop()
            head = k + 1
        elif t.kind == "punct" and t.text == ";":
            head = k + 1
        flags.append(bool(stack) and stack[-1] == "body")
    return flags


def add_integer_sites(add, t, m):
    digits, suffix = m.group(1), m.group(2)
    if len(digits) > 1 and digits[0] == "0" and digits.isdigit():
        return  # octal (file modes): left alone
    value = int(digits, 0) if not digits.startswith(("0b", "0B")) else int(digits[2:], 2)
    if digits.startswith(("0x", "0X")):
        fmt = lambda v: f"0x{v:X}" if v >= 0 else f"(-0x{-v:X})"
    else:
        fmt = lambda v: str(v) if v >= 0 else f"({v})"
    add(t.start, t.end, fmt(value + 1) + suffix, "literal")
    if value > 0 or "u" not in suffix.lower():
        add(t.start, t.end, fmt(value - 1) + suffix, "literal")


def matching(tokens, k):
    """Index of the bracket that closes tokens[k]."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opening, closing = tokens[k].text, pairs[tokens[k].text]
    depth = 0
    for j in range(k, len(tokens)):
        if tokens[j].kind != "punct":
            continue
        if tokens[j].text == opening:
            depth += 1
        elif tokens[j].text == closing:
            depth -= 1
            if depth == 0:
                return j
    return None


def negate_condition(add, tokens, k, src):
    j = k + 1
    if j < len(tokens) and tokens[j].text == "constexpr":
        return
    if j >= len(tokens) or tokens[j].text != "(":
        return
    close = matching(tokens, j)
    if close is None or close == j + 1:
        return
    first = j + 1
    depth = 0
    for m in range(j + 1, close):
        text = tokens[m].text
        if text in "([{" and tokens[m].kind == "punct":
            depth += 1
        elif text in ")]}" and tokens[m].kind == "punct":
            depth -= 1
        elif depth == 0 and text == ";":
            first = m + 1
        elif depth == 0 and text == "=":
            return  # a declaration or assignment in the condition
    start, end = tokens[first].start, tokens[close - 1].end
    add(start, end, "!(" + src[start:end] + ")", "negate")


def is_statement_start(tokens, k):
    if k == 0 or tokens[k].kind not in ("ident", "punct"):
        return False
    if tokens[k].kind == "punct" and tokens[k].text not in ("++", "--"):
        return False
    prev = tokens[k - 1]
    return prev.kind == "punct" and prev.text in (";", "{", "}") or prev.text == "else"


def drop_statement(add, tokens, k):
    """A one-line expression statement: a call, an assignment or an
    increment whose target is a plain name or member chain. Declarations
    (two names side by side) and control flow are left alone."""
    if tokens[k].text in NOT_STATEMENT_HEADS:
        return
    depth = 0
    end = None
    for j in range(k, len(tokens)):
        t = tokens[j]
        if t.kind == "punct" and t.text in "([":
            depth += 1
        elif t.kind == "punct" and t.text in ")]":
            depth -= 1
        elif t.kind == "punct" and t.text in ("{", "}", ",") and depth == 0:
            return
        elif t.kind == "punct" and t.text == ";" and depth == 0:
            end = j
            break
    if end is None or end == k:
        return
    # The head, up to the first call or assignment, must be a member chain.
    j = k
    if tokens[j].text in ("++", "--"):
        j += 1
    expect_name = True
    while j < end:
        t = tokens[j]
        if expect_name:
            if t.kind != "ident" or t.text in NOT_STATEMENT_HEADS:
                return
            expect_name = False
        elif t.text in (".", "->", "::"):
            expect_name = True
        elif t.text == "[":
            close = matching(tokens, j)
            if close is None or close > end:
                return
            j = close
        elif t.text in ("(", "=", "+=", "-=", "*=", "/=", "|=", "&=", "^=", "<<=", ">>=", "++", "--"):
            break
        else:
            return
        j += 1
    else:
        return
    if expect_name:
        return
    add(tokens[k].start, tokens[end].end, ";", "drop")


def layer_files(layer):
    folder = ROOT / layer
    files = [p for p in sorted(folder.rglob("*")) if p.suffix in (".cpp", ".h") and p.is_file()]
    return [p.relative_to(ROOT) for p in files]


def layer_sites(layer):
    sites = []
    for rel in layer_files(layer):
        sites.extend(find_sites(rel, (ROOT / rel).read_bytes().decode("utf-8")))
    return sites


# ---------------------------------------------------------------- safety


def state_dir():
    base = Path(os.environ.get("XDG_CACHE_HOME", Path.home() / ".cache"))
    tag = hashlib.sha1(str(ROOT).encode()).hexdigest()[:12]
    d = base / "lexitrain-mutants" / tag
    d.mkdir(parents=True, exist_ok=True)
    return d


class Guard:
    """Owns the one file that is mutated at a time. The original bytes live
    in memory and, with a journal, in a copy outside the tree."""

    def __init__(self):
        self.dir = state_dir()
        self.journal = self.dir / "journal.json"
        self.backup = self.dir / "original"
        self.path = None
        self.original = None

    def recover(self):
        if not self.journal.exists():
            return
        entry = json.loads(self.journal.read_text())
        target = Path(entry["path"])
        data = self.backup.read_bytes()
        if hashlib.sha256(data).hexdigest() != entry["sha256"]:
            sys.exit(f"mutants: the backup of {target} in {self.dir} is damaged; restore the file from git by hand")
        target.write_bytes(data)
        self.journal.unlink()
        print(f"mutants: restored {target} left mutated by an interrupted run", file=sys.stderr)

    def apply(self, site):
        path = ROOT / site.path
        data = path.read_bytes()
        self.backup.write_bytes(data)
        self.journal.write_text(json.dumps({"path": str(path), "sha256": hashlib.sha256(data).hexdigest()}))
        self.path, self.original = path, data
        text = data.decode("utf-8")
        assert text[site.start : site.end] == site.original, f"{site.describe()}: the source changed under the run"
        path.write_bytes((text[: site.start] + site.mutant + text[site.end :]).encode("utf-8"))

    def restore(self):
        if self.path is None:
            return
        # No signal may cut the write short; one that arrives meanwhile is
        # delivered when the original is whole again.
        blocked = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM, signal.SIGHUP})
        try:
            self.path.write_bytes(self.original)
            # A fresh modification time makes the build see the file as
            # changed even when the mutant's object came within the same tick.
            os.utime(self.path, None)
            self.path = None
            self.journal.unlink(missing_ok=True)
        finally:
            signal.pthread_sigmask(signal.SIG_SETMASK, blocked)


class Interrupted(Exception):
    pass


def on_signal(signum, frame):
    raise Interrupted(signal.Signals(signum).name)


def refuse_dirty(files):
    try:
        out = subprocess.run(
            ["git", "status", "--porcelain", "--", *map(str, files)],
            cwd=ROOT,
            capture_output=True,
            text=True,
            check=True,
        ).stdout
    except (OSError, subprocess.CalledProcessError):
        return  # not a git checkout: the journal alone guards the files
    if out.strip():
        sys.exit("mutants: these files have uncommitted changes; commit or stash them first:\n" + out)


# ---------------------------------------------------------------- running


def configure(build, jobs):
    if not (build / "CMakeCache.txt").exists():
        cmd = [
            "cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Debug",
            "-DCMAKE_CXX_FLAGS_DEBUG=-O0", "-DLEXITRAIN_TESTS=ON",
        ]
        if shutil.which("ccache"):
            cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)


def build_target(build, target, jobs):
    result = subprocess.run(
        ["cmake", "--build", str(build), "-j", str(jobs), "--target", target],
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
    )
    return result.returncode == 0, result.stdout.decode(errors="replace")


def run_tests(binary, timeout):
    env = dict(os.environ)
    if binary.name in QT_TESTS:
        env["QT_QPA_PLATFORM"] = "offscreen"
    with tempfile.TemporaryDirectory(prefix="mutants-run-") as cwd:
        proc = subprocess.Popen(
            [str(binary)], cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True,
        )
        try:
            return "passed" if proc.wait(timeout=timeout) == 0 else "failed"
        except subprocess.TimeoutExpired:
            return "timeout"
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--layer", required=True, choices=sorted(LAYERS))
    parser.add_argument("--sample", type=int, help="mutate this many sites, drawn at random")
    parser.add_argument("--seed", type=int, default=0, help="seed of the draw (default 0)")
    parser.add_argument("--ids", help="mutate only these site numbers (as --list shows them), comma-separated")
    parser.add_argument("--list", action="store_true", help="print the sites (or the sample) and stop")
    parser.add_argument("--build", type=Path, default=ROOT / "build-mutants", help="build folder (default build-mutants/)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=float, help="seconds per test run (default: 5x the clean run + 10)")
    args = parser.parse_args()

    guard = Guard()
    guard.recover()

    all_sites = layer_sites(args.layer)
    numbered = list(enumerate(all_sites))
    if args.ids:
        wanted = {int(x) for x in args.ids.split(",")}
        chosen = [s for s in numbered if s[0] in wanted]
    elif args.sample:
        chosen = sorted(random.Random(args.seed).sample(numbered, min(args.sample, len(numbered))), key=lambda s: s[0])
    else:
        chosen = numbered
    if args.list:
        for number, site in chosen:
            print(f"{number:5d} {site.operator:8s} {site.describe()}")
        print(f"{len(chosen)} of {len(all_sites)} sites in {args.layer}/", file=sys.stderr)
        return 0

    refuse_dirty(layer_files(args.layer))
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)

    target = LAYERS[args.layer]
    build = args.build.resolve()
    binary = build / "tests" / target
    results = {"killed": [], "survived": [], "did not compile": [], "timed out": []}
    try:
        configure(build, args.jobs)
        ok, log = build_target(build, target, args.jobs)
        if not ok:
            sys.exit("mutants: the unmutated tree does not build:\n" + log[-3000:])
        began = time.monotonic()
        if run_tests(binary, 3600) != "passed":
            sys.exit(f"mutants: {target} fails on the unmutated tree; fix that first")
        timeout = args.timeout or 5 * (time.monotonic() - began) + 10
        print(f"{args.layer}: {len(chosen)} mutants of {len(all_sites)} sites, seed {args.seed}, "
              f"{target} limited to {timeout:.0f}s", flush=True)
        for count, (number, site) in enumerate(chosen, 1):
            try:
                guard.apply(site)
                built, _ = build_target(build, target, args.jobs)
                if not built:
                    outcome = "did not compile"
                else:
                    outcome = {"failed": "killed", "passed": "survived", "timeout": "timed out"}[run_tests(binary, timeout)]
            finally:
                guard.restore()
            results[outcome].append((number, site))
            print(f"[{count}/{len(chosen)}] #{number} {outcome:15s} {site.describe()}", flush=True)
    except Interrupted as e:
        print(f"mutants: stopped by {e}; the sources are restored", file=sys.stderr)
        return 130
    finally:
        guard.restore()
        guard.backup.unlink(missing_ok=True)

    killed, survived = len(results["killed"]) + len(results["timed out"]), len(results["survived"])
    print(f"\n{args.layer}: killed {len(results['killed'])}, timed out {len(results['timed out'])}, "
          f"survived {survived}, did not compile {len(results['did not compile'])}")
    if killed + survived:
        print(f"score before equivalents are set aside: {100.0 * killed / (killed + survived):.1f}%")
    for number, site in results["survived"]:
        print(f"survived #{number}: {site.describe()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
