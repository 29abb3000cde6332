#!/usr/bin/env python3
"""Turns the growth figures of compare_scaling into a plot and a table.

    plot_scaling.py FIGURES PNG MARKDOWN

FIGURES holds "OPERATION ROWS SECONDS" lines. Writes the plot to PNG and replaces the text
between the "scaling table" markers of MARKDOWN with a table of the figures, the growth
exponent of each step (log of the time ratio over log of the size ratio: 1 is linear, n log n
shows as a little above 1) and a verdict. Exits 1 when an operation grows faster than
n log n.
"""
import math
import sys
from collections import OrderedDict

BEGIN = "<!-- scaling table: written by bench/compare -->"
END = "<!-- end of scaling table -->"
# Timer resolution and noise swamp steps below this; their exponent is not judged.
MIN_SECONDS = 0.002
# n log n over a tenfold step from n: 10 * log(10 n) / log(n); at n = 1,000 that is 13.3,
# an exponent of 1.125. Allow measurement noise on top.
NOISE = 0.15


def nlogn_exponent(n0, n1):
    return math.log((n1 * math.log(n1)) / (n0 * math.log(n0))) / math.log(n1 / n0)


def main():
    figures, png, markdown = sys.argv[1:4]
    data = OrderedDict()
    for line in open(figures):
        parts = line.split()
        if len(parts) == 3:
            data.setdefault(parts[0], []).append((int(parts[1]), float(parts[2])))
    sizes = sorted({n for points in data.values() for n, _ in points})

    lines = ["| operation | " + " | ".join(f"{n:,} rows" for n in sizes) +
             " | growth exponent per step | within n log n |",
             "|---|" + "---|" * len(sizes) + "---|---|"]
    failed = False
    for op, points in data.items():
        seconds = dict(points)
        exps, ok = [], True
        ordered = sorted(points)
        for (n0, t0), (n1, t1) in zip(ordered, ordered[1:]):
            if t0 < MIN_SECONDS or t1 < MIN_SECONDS:
                exps.append("–")
                continue
            e = math.log(t1 / t0) / math.log(n1 / n0)
            exps.append(f"{e:.2f}")
            if e > nlogn_exponent(n0, n1) + NOISE:
                ok = False
        failed |= not ok
        cells = [f"{seconds[n] * 1000:.1f} ms" if n in seconds else "" for n in sizes]
        lines.append(f"| {op} | " + " | ".join(cells) + f" | {', '.join(exps)} | "
                     f"{'yes' if ok else 'NO'} |")
    table = "\n".join(lines)
    print(table)

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, ax = plt.subplots(figsize=(7, 4.5), dpi=100)
    for op, points in data.items():
        xs, ys = zip(*sorted(points))
        ax.loglog(xs, ys, marker="o", label=op)
    n0, n1 = sizes[0], sizes[-1]
    # Reference slope: linear through the median first point.
    first = sorted(t for pts in data.values() for n, t in pts if n == n0)
    if first:
        t0 = first[len(first) // 2]
        ax.loglog([n0, n1], [t0, t0 * n1 / n0], "k--", linewidth=0.8, label="linear")
    ax.set_xlabel("rows")
    ax.set_ylabel("seconds")
    ax.set_title("Cost against table size")
    ax.grid(True, which="both", linewidth=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(png)

    text = open(markdown).read()
    if BEGIN in text and END in text:
        head, rest = text.split(BEGIN, 1)
        _, tail = rest.split(END, 1)
        text = head + BEGIN + "\n" + table + "\n" + END + tail
    else:
        text = text.rstrip("\n") + "\n\n" + BEGIN + "\n" + table + "\n" + END + "\n"
    with open(markdown, "w") as f:
        f.write(text)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
