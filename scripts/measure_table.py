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

    # Precisions from the sums behind them, each iteration's in turn: the assigned flows against
    # those the signals were set on, and (Promediado=1) how much the averaged flows moved.
    precision, averaged = {}, {}
    for _, text in stamped:
        m = re.search(r"SumDif/SumPro (promediados )?\[\d+\] \(([\d.]+)/([\d.]+)\)", text)
        if m:
            table = averaged if m.group(1) else precision
            dif, pro = float(m.group(2)), float(m.group(3))
            table[len(table) + 1] = dif / pro if pro > 0 else 999.0
    grand = []
    for _, text in stamped:
        if "Pcu-Hr/Hr:" in text and not text.startswith("         "):
            grand = [float(x) for x in text.split(":")[1].split()]
    hours = []
    globals_next = False
    for _, text in stamped:
        if "Indice de Rendimiento Saturn Global" in text:
            globals_next = True
        elif globals_next and "Pcu-Hr/Hr:" in text:
            hours = [float(x) for x in text.split(":")[1].split()]
            globals_next = False
    chosen = [text for _, text in stamped if "seleccionada" in text]

    print("| Iteration | Pcu-Hr/Hr (simulation network) | Precision | Averaged | Cycles | Wall s: VELTRA | t8s | assignment |")
    print("|---|---|---|---|---|---|---|---|")
    cycles = {}
    summary = glob.glob("*_ciclos.csv")
    if summary:
        rows = [l.strip().split(",") for l in open(summary[0])]
        nets = [h for h in rows[0] if h.startswith("Red")]
        for r in rows[1:]:
            cycles[r[0]] = " / ".join(r[1:1 + len(nets)])
    for name, a, b in intervals:
        v, t, s = split(a, b)
        av = ""
        if name == "arranque":
            label, hr, pr, cy = "0 (starting network; start-up)", hours[0] if hours else "", "", ""
        elif name == "final":
            label, hr, pr, cy = "closing", "", "", ""
        else:
            it = int(name)
            label, hr, cy = name, hours[it] if it < len(hours) else "", cycles.get(name, "")
            pr = f"{precision[it]:.4f}" if it in precision else ""
            av = f"{averaged[it]:.4f}" if it in averaged else ""
        print(f"| {label} | {hr} | {pr} | {av} | {cy} | {v:.2f} | {t:.2f} | {s:.2f} |")
    total = end_of_run - first
    v, t, s = split(first, end_of_run)
    print(f"| whole run | | | | | {v:.2f} | {t:.2f} | {s:.2f} |")
    print()
    print(f"Whole run {total:.2f} s. {chosen[0].strip() if chosen else ''}")
    judged = averaged if averaged else precision
    reach = {lim: next((i for i in sorted(judged) if judged[i] <= lim), None) for lim in (1e-3, 1e-4)}
    print(f"Iterations to precision 1e-3: {reach[1e-3] or '-'}, 1e-4: {reach[1e-4] or '-'}"
          f" ({'averaged flows' if averaged else 'assigned flows'}).")
    if len(grand) > 1:
        best = min(range(1, len(grand)), key=lambda i: (grand[i], i))
        print(f"Whole network Pcu-Hr/Hr (GRAND TOTALS): start {grand[0]}, one pass {grand[1]}, "
              f"best iteration {grand[best]} (iteration {best}), last {grand[-1]} (iteration {len(grand) - 1}).")
    print()

    # Performance index and timings per TRANSYT network: the starting network's own timings
    # (evaluated on the starting flows when the run did, else those handed to t8s in iteration 1),
    # one pass (iteration 1, same flows) and the chosen iteration's final run.
    print("| Network | PI start | PI one pass (it. 1) | PI chosen (final run) | Cycle start / it. 1 / chosen | Stage-1 starts by node, start | chosen |")
    print("|---|---|---|---|---|---|---|")
    for prt in sorted(glob.glob("*_tr_1_*.prt")):
        net = prt.rsplit("_", 1)[1].split(".")[0]
        final = prt.replace("_tr_1_", "_tr_F_")
        if not os.path.exists(final):
            continue
        start = prt.replace("_tr_1_", "_tr_0_")
        a, b = open(prt).read(), open(final).read()
        z = open(start).read() if os.path.exists(start) else a
        pi_start = re.search(r"INDEX OF THE STARTING TIMINGS:\s+([\d.]+)", z)
        pi_one = re.search(r"INDEX AFTER OPTIMISATION:\s+([\d.]+)", a)
        pi_end = re.search(r"INDEX AFTER OPTIMISATION:\s+([\d.]+)", b)
        cycles_ = [re.search(r"Cycle (\d+) s", t) for t in (z, a, b)]
        given = re.findall(r"^\s+\d+\s+\d+\s+(?:yes|no)\s+\S+\s+(\d+)/", z, re.M)
        final_starts = re.findall(r"^\s+\d+\s+(\d+)\s+.*\b(?:OPT|FIX|FIXED)\b", b, re.M)
        found = lambda m: m.group(1) if m else "?"
        print(f"| {net} | {found(pi_start)} | {found(pi_one)} | {found(pi_end)} | "
              f"{' / '.join(found(c) for c in cycles_)} | {' '.join(given)} | {' '.join(final_starts)} |")

if __name__ == "__main__":
    main(sys.argv[1])
