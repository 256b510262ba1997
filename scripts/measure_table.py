#!/usr/bin/env python3
"""The measured table of an example run made by scripts/measure.sh, in Markdown.

Reads, in the run's folder: veltra_timed.out (veltra's messages, each line after its
timestamp), program_times.txt (each run of t8s and of the SATURN-shaped programs with its
start and end), the cycle summary *_ciclos.csv and the print files *_tr_<it>_<net>.prt.
"""
import glob
import os
import re
import sys


def main(folder):
    os.chdir(folder)
    stamped = []
    for line in open("veltra_timed.out", encoding="utf-8", errors="replace"):
        stamp, _, text = line.rstrip("\n").partition(" ")
        stamped.append((float(stamp), text))
    runs = []
    if os.path.exists("program_times.txt"):
        for line in open("program_times.txt"):
            name, start, end = line.split()
            runs.append((name, float(start), float(end)))

    # Iteration intervals: from "Iteracion N" to the next one (the last to the end of the run,
    # which holds the final TRANSYT runs and the final SATURN run).
    marks = [(t, int(m.group(1))) for t, text in stamped for m in [re.fullmatch(r"Iteracion (\d+)", text)] if m]
    end_of_run = stamped[-1][0]
    if runs:
        end_of_run = max(end_of_run, max(r[2] for r in runs))
    first = stamped[0][0]
    if runs:
        first = min(first, min(r[1] for r in runs))
    intervals = [("arranque", first, marks[0][0] if marks else end_of_run)]
    for k, (t, it) in enumerate(marks):
        intervals.append((str(it), t, marks[k + 1][0] if k + 1 < len(marks) else None))
    # The last iteration ends where its convergence report ends; the rest is the closing step.
    stop = [t for t, text in stamped if text.strip().startswith("Termina por")]
    if marks:
        last_end = stop[0] if stop else end_of_run
        intervals[-1] = (intervals[-1][0], intervals[-1][1], last_end)
        intervals.append(("final", last_end, end_of_run))

    def split(a, b):
        t8s = sum(max(0.0, min(e, b) - max(s, a)) for n, s, e in runs if n == "t8s")
        sat = sum(max(0.0, min(e, b) - max(s, a)) for n, s, e in runs if n != "t8s")
        return b - a - t8s - sat, t8s, sat

    precision = {}
    for _, text in stamped:
        m = re.search(r"Precision Flujos Saturn \[([\d.]+)", text)
        if m:
            precision[len(precision) + 1] = float(m.group(1))
    hours = []
    globals_next = False
    for _, text in stamped:
        if "Indice de Rendimiento Saturn Global" in text:
            globals_next = True
        elif globals_next and "Pcu-Hr/Hr:" in text:
            hours = [float(x) for x in text.split(":")[1].split()]
            globals_next = False
    chosen = [text for _, text in stamped if "seleccionada" in text]

    print("| Iteration | Pcu-Hr/Hr (simulation network) | Precision | Cycles | Wall s: VELTRA | t8s | assignment |")
    print("|---|---|---|---|---|---|---|")
    cycles = {}
    summary = glob.glob("*_ciclos.csv")
    if summary:
        rows = [l.strip().split(",") for l in open(summary[0])]
        nets = [h for h in rows[0] if h.startswith("Red")]
        for r in rows[1:]:
            cycles[r[0]] = " / ".join(r[1:1 + len(nets)])
    for name, a, b in intervals:
        v, t, s = split(a, b)
        if name == "arranque":
            label, hr, pr, cy = "0 (starting network; start-up)", hours[0] if hours else "", "", ""
        elif name == "final":
            label, hr, pr, cy = "closing", "", "", ""
        else:
            it = int(name)
            label, hr, pr, cy = name, hours[it] if it < len(hours) else "", precision.get(it, ""), cycles.get(name, "")
        print(f"| {label} | {hr} | {pr} | {cy} | {v:.2f} | {t:.2f} | {s:.2f} |")
    total = end_of_run - first
    v, t, s = split(first, end_of_run)
    print(f"| whole run | | | | {v:.2f} | {t:.2f} | {s:.2f} |")
    print()
    print(f"Whole run {total:.2f} s. {chosen[0].strip() if chosen else ''}")
    print()

    # Performance index and timings per TRANSYT network: the first iteration's starting
    # timings against the final run's optimised ones.
    print("| Network | PI start (it. 1, starting timings) | PI end (final run) | Cycle it. 1 / final | Stage-1 starts by node, start | end |")
    print("|---|---|---|---|---|---|")
    for prt in sorted(glob.glob("*_tr_1_*.prt")):
        net = prt.rsplit("_", 1)[1].split(".")[0]
        final = prt.replace("_tr_1_", "_tr_F_")
        if not os.path.exists(final):
            continue
        a, b = open(prt).read(), open(final).read()
        pi_start = re.search(r"INDEX OF THE STARTING TIMINGS:\s+([\d.]+)", a)
        pi_end = re.search(r"INDEX AFTER OPTIMISATION:\s+([\d.]+)", b)
        cyc_a = re.search(r"Cycle (\d+) s", a)
        cyc_b = re.search(r"Cycle (\d+) s", b)
        given = re.findall(r"^\s+\d+\s+\d+\s+(?:yes|no)\s+\S+\s+(\d+)/", a, re.M)
        final_starts = re.findall(r"^\s+\d+\s+(\d+)\s+.*\b(?:OPT|FIX|FIXED)\b", b, re.M)
        print(f"| {net} | {pi_start.group(1) if pi_start else '?'} | {pi_end.group(1) if pi_end else '?'} | "
              f"{cyc_a.group(1) if cyc_a else '?'} / {cyc_b.group(1) if cyc_b else '?'} | "
              f"{' '.join(given)} | {' '.join(final_starts)} |")


if __name__ == "__main__":
    main(sys.argv[1])
