#!/usr/bin/env python3
"""Summarises Google Benchmark JSON files: one line per benchmark with its
time and every ratio it reports, then a plot of time against word count
(drawn by gnuplot) for the benchmarks that run at several sizes."""
import argparse
import json
import re
import subprocess
import tempfile
from collections import defaultdict
from pathlib import Path


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("files", nargs="+")
    ap.add_argument("--plot", help="PNG to draw")
    args = ap.parse_args()

    series = defaultdict(dict)  # name -> {words: milliseconds}
    for f in args.files:
        data = json.loads(Path(f).read_text())
        ctx = data.get("context", {})
        print(f"# {Path(f).name}: {ctx.get('date', '')} on {ctx.get('num_cpus', '?')} CPUs "
              f"at {ctx.get('mhz_per_cpu', '?')} MHz")
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate":
                continue
            name = b["name"]
            ms = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            extras = "  ".join(f"{k}={b[k]:.3g}" for k in sorted(b)
                               if k.startswith("ratio") or k.endswith("_ratio") or k in ("rows", "seconds"))
            print(f"{name:60s} {ms:12.2f} ms  {extras}")
            m = re.match(r"(BM_\w+)/(\d+)", name)
            if m:
                series[m.group(1)][int(m.group(2))] = ms

    multi = {k: v for k, v in series.items() if len(v) >= 3}
    if not args.plot or not multi:
        return
    with tempfile.TemporaryDirectory() as tmp:
        plots = []
        for i, (name, points) in enumerate(sorted(multi.items())):
            dat = Path(tmp) / f"{i}.dat"
            dat.write_text("".join(f"{w} {ms}\n" for w, ms in sorted(points.items())))
            plots.append(f"'{dat}' using 1:2 with linespoints title '{name[3:].replace('_', ' ')}'")
        script = "\n".join([
            "set terminal pngcairo size 1100,700 noenhanced",
            f"set output '{args.plot}'",
            "set logscale xy",
            "set xlabel 'words in the data file'",
            "set ylabel 'milliseconds'",
            "set key outside right",
            "set grid",
            "set title 'Lexitrain: time against word count'",
            "plot " + ", ".join(plots),
        ])
        subprocess.run(["gnuplot"], input=script, text=True, check=True)
    print(f"plot: {args.plot}")


if __name__ == "__main__":
    main()
