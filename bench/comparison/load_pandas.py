#!/usr/bin/env python3
"""pandas read_csv of a tweet table file: TAB separated, no quoting, Windows-1252.

    load_pandas.py REPEATS FILE

Prints "rows=N seconds=S bytes=B" (S: best of REPEATS runs).
"""
import csv
import os
import sys
import time

import pandas as pd


def main():
    repeats, path = int(sys.argv[1]), sys.argv[2]
    best, rows = None, 0
    for _ in range(repeats):
        start = time.process_time()
        # Every record line ends with a TAB, so there is a seventeenth, empty column; all
        # cells stay text, as in the tweet table.
        frame = pd.read_csv(path, sep="\t", header=None, quoting=csv.QUOTE_NONE, dtype=str,
                            keep_default_na=False, encoding="cp1252", engine="c")
        elapsed = time.process_time() - start
        rows = len(frame)
        del frame
        best = elapsed if best is None else min(best, elapsed)
    print(f"rows={rows} seconds={best:.6f} bytes={os.path.getsize(path)}")


if __name__ == "__main__":
    main()
