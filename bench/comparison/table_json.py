#!/usr/bin/env python3
"""What a tweepy or twarc user runs to turn responses into a table: Python's json module and
the sixteen columns of the tweet table, taken from the same page files as the other programs.

    table_json.py REPEATS PAGE_FILE...

Prints "rows=N checksum=C seconds=S bytes=B" (S: best of REPEATS runs, files already in
memory), with the same checksum as the C++ programs so that the row contents can be compared.
"""
import json
import sys
import time


def offset_hours(value):
    if value is None:
        return "0"
    return str(int(round(float(value) / 3600.0)))


def coords(value):
    if value is None:
        return "null"
    if isinstance(value, dict):
        value = value.get("coordinates")
    if isinstance(value, list):
        return ",".join(str(x) for x in value)
    return str(value)


def rows_of(body):
    doc = json.loads(body)
    tweets = doc.get("statuses", []) if isinstance(doc, dict) else doc
    rows = []
    for t in tweets:
        u = t.get("user") or {}
        text = t.get("full_text") or t.get("text") or ""
        urls = (t.get("entities") or {}).get("urls") or []
        link = urls[-1].get("expanded_url") or "" if urls else ""
        date = (t.get("created_at") or "").replace("+", "").replace("-", "")
        rows.append([date, u.get("screen_name") or "", text, t.get("id_str") or "",
                     u.get("name") or "", str(u.get("followers_count") or 0),
                     str(u.get("friends_count") or 0), u.get("location") or "",
                     offset_hours(u.get("utc_offset")), coords(t.get("coordinates")),
                     str(u.get("statuses_count") or 0), str(t.get("retweet_count") or 0), link,
                     "0", "0", u.get("description") or ""])
    return rows


def checksum(rows):
    # Numbers and plain-ASCII fields only: these read the same whatever a program does with
    # escapes and code pages.
    c = 0
    for r in rows:
        c += int(r[5]) + int(r[6]) + int(r[10]) + int(r[11]) + len(r[1]) + len(r[3])
    return c


def main():
    repeats = int(sys.argv[1])
    bodies = []
    for name in sys.argv[2:]:
        with open(name, "rb") as f:
            bodies.append(f.read())
    best = None
    rows = []
    for _ in range(repeats):
        start = time.process_time()
        rows = []
        for body in bodies:
            rows.extend(rows_of(body))
        elapsed = time.process_time() - start
        best = elapsed if best is None else min(best, elapsed)
    print(f"rows={len(rows)} checksum={checksum(rows)} seconds={best:.6f} "
          f"bytes={sum(len(b) for b in bodies)}")


if __name__ == "__main__":
    main()
