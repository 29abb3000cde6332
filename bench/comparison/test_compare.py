#!/usr/bin/env python3
"""Checks of the comparison's own honesty: the peers and our program must extract the same
rows from the same pages, and the growth verdict must catch what grows too fast.

    test_compare.py [COMPARE_TABLE [COMPARE_LOAD [COMPARE_SIMDJSON]]]

With the programs given, the row checks run them on the recorded real pages and a generated
table file.
"""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import collect_tweepy  # noqa: E402
import table_json  # noqa: E402

DATA = os.environ.get("WF_TESTDATA_DIR", os.path.join(HERE, "..", "..", "tests", "data"))
REAL = os.path.join(DATA, "v1.1")
PROGRAMS = sys.argv[1:]
del sys.argv[1:]


def real_pages():
    pages = []
    for source in sorted(os.listdir(REAL)):
        folder = os.path.join(REAL, source)
        if os.path.isdir(folder):
            pages += [os.path.join(folder, f) for f in sorted(os.listdir(folder))
                      if f.endswith(".json") and (f.startswith("search_") or
                                                  f.startswith("timeline_"))]
    return pages


def fields(output):
    return dict(part.split("=", 1) for part in output.split())


class PythonRows(unittest.TestCase):
    def test_search_page_metadata_and_last_url(self):
        body = (b'{"statuses":[{"created_at":"Wed Aug 27 13:08:45 +0000 2008","id_str":"7",'
                b'"text":"short","full_text":"the full one","retweet_count":3,'
                b'"coordinates":{"type":"Point","coordinates":[-0.12,51.5]},'
                b'"entities":{"urls":[{"expanded_url":"http://a"},{"expanded_url":"http://b"}]},'
                b'"user":{"screen_name":"ann","followers_count":10,"friends_count":2,'
                b'"statuses_count":5,"utc_offset":-18000}}],'
                b'"search_metadata":{"count":1}}')
        rows = table_json.rows_of(body)
        self.assertEqual(len(rows), 1)
        r = rows[0]
        self.assertEqual(r[0], "Wed Aug 27 13:08:45 0000 2008")
        self.assertEqual(r[2], "the full one")
        self.assertEqual(r[8], "-5")
        self.assertEqual(r[9], "-0.12,51.5")
        self.assertEqual(r[12], "http://b")
        self.assertEqual(r[13:15], ["0", "0"])
        self.assertEqual(table_json.checksum(rows), 10 + 2 + 5 + 3 + len("ann") + len("7"))

    def test_timeline_array_and_missing_user(self):
        rows = table_json.rows_of(b'[{"id_str":"12","text":"x","coordinates":null}]')
        self.assertEqual(rows[0][1], "")
        self.assertEqual(rows[0][5], "0")
        self.assertEqual(rows[0][9], "null")


@unittest.skipUnless(PROGRAMS and os.path.isdir(REAL), "programs or recorded pages missing")
class SameRowsAsOurs(unittest.TestCase):
    def run_program(self, argv):
        out = subprocess.run(argv, check=True, capture_output=True, text=True).stdout
        return fields(out)

    def test_python_json_agrees_with_ours_on_real_pages(self):
        pages = real_pages()
        ours = self.run_program([PROGRAMS[0], "1"] + pages)
        peer = self.run_program([sys.executable, os.path.join(HERE, "table_json.py"), "1"] +
                                pages)
        self.assertGreater(int(ours["rows"]), 400)
        self.assertEqual((ours["rows"], ours["checksum"]), (peer["rows"], peer["checksum"]))

    @unittest.skipUnless(len(PROGRAMS) > 2 and os.path.exists(PROGRAMS[2]), "no simdjson")
    def test_simdjson_agrees_with_ours_on_real_pages(self):
        pages = real_pages()
        ours = self.run_program([PROGRAMS[0], "1"] + pages)
        peer = self.run_program([PROGRAMS[2], "1"] + pages)
        self.assertEqual((ours["rows"], ours["checksum"]), (peer["rows"], peer["checksum"]))

    @unittest.skipUnless(len(PROGRAMS) > 1, "no compare_load")
    def test_load_and_plain_read_count_the_same_rows(self):
        with tempfile.TemporaryDirectory() as d:
            table = os.path.join(d, "table.txt")
            subprocess.run([PROGRAMS[1], "make", table, "2500"], check=True)
            ours = self.run_program([PROGRAMS[1], "load", "1", table])
            plain = self.run_program([PROGRAMS[1], "read", "1", table])
            self.assertEqual(ours["rows"], "2500")
            self.assertEqual(plain["rows"], "2500")
            self.assertEqual(ours["bytes"], str(os.path.getsize(table)))
            try:
                import pandas  # noqa: F401
            except ImportError:
                return
            peer = self.run_program([sys.executable, os.path.join(HERE, "load_pandas.py"), "1",
                                     table])
            self.assertEqual(peer["rows"], "2500")


class TweepyThreshold(unittest.TestCase):
    class Status:
        def __init__(self, day):
            import datetime
            self.created_at = datetime.datetime(2026, 12, day, 12, 0,
                                                tzinfo=datetime.timezone.utc)

    def pages(self, *days, read=None):
        for page in days:
            if read is not None:
                read.append(page)
            yield [self.Status(d) for d in page]

    def test_stops_at_the_page_that_reaches_the_threshold(self):
        import datetime
        threshold = datetime.datetime(2026, 12, 5, 12, 0, tzinfo=datetime.timezone.utc)
        read = []
        tweets, count = collect_tweepy.back_to(
            self.pages([9, 8], [7, 6], [5, 4], [3, 2], read=read), threshold)
        # A tweet exactly at the threshold is kept, as the window's date trim keeps it.
        self.assertEqual([t.created_at.day for t in tweets], [9, 8, 7, 6, 5])
        self.assertEqual(count, 3)
        self.assertEqual(len(read), 3)

    def test_runs_to_the_end_when_nothing_is_older(self):
        import datetime
        threshold = datetime.datetime(2026, 12, 1, tzinfo=datetime.timezone.utc)
        tweets, count = collect_tweepy.back_to(self.pages([9, 8], [7], []), threshold)
        self.assertEqual(len(tweets), 3)
        self.assertEqual(count, 3)


def have_matplotlib():
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        return False
    return True


@unittest.skipUnless(have_matplotlib(), "python3-matplotlib missing (bench/compare installs it)")
class GrowthVerdict(unittest.TestCase):
    def run_plot(self, figures, markdown_text):
        with tempfile.TemporaryDirectory() as d:
            fig = os.path.join(d, "figures.txt")
            md = os.path.join(d, "performance.md")
            with open(fig, "w") as f:
                f.write(figures)
            with open(md, "w") as f:
                f.write(markdown_text)
            done = subprocess.run([sys.executable, os.path.join(HERE, "plot_scaling.py"), fig,
                                   os.path.join(d, "plot.png"), md], capture_output=True,
                                  text=True)
            with open(md) as f:
                return done.returncode, f.read(), os.path.exists(os.path.join(d, "plot.png"))

    @staticmethod
    def figures(op, cost):
        return "".join(f"{op} {n} {cost(n):.6f}\n" for n in (1000, 10000, 100000, 1000000))

    def test_linear_and_n_log_n_pass(self):
        import math
        figures = (self.figures("load", lambda n: n * 2e-7) +
                   self.figures("sort", lambda n: n * math.log(n) * 3e-8))
        code, text, plotted = self.run_plot(figures, "# Title\n")
        self.assertEqual(code, 0)
        self.assertTrue(plotted)
        self.assertIn("| load |", text)
        self.assertNotIn("NO", text)

    def test_quadratic_growth_fails(self):
        figures = self.figures("load", lambda n: n * 2e-7) + self.figures(
            "filter", lambda n: n * n * 1e-11)
        code, text, _ = self.run_plot(figures, "# Title\n")
        self.assertEqual(code, 1)
        self.assertRegex(text, r"\| filter \|.*\| NO \|")

    def test_quadratic_growth_hidden_in_noise_floor_steps_still_caught(self):
        # The first steps are too fast to judge; the large ones are not.
        figures = self.figures("sort", lambda n: n * n * 2e-12)
        code, _, _ = self.run_plot(figures, "# Title\n")
        self.assertEqual(code, 1)

    def test_rerun_replaces_only_the_marked_table(self):
        head = "# Performance\n\nProse before.\n\n"
        tail = "\n\nProse after.\n"
        old = (head + "<!-- scaling table: written by bench/compare -->\nold table\n"
               "<!-- end of scaling table -->" + tail)
        _, text, _ = self.run_plot(self.figures("load", lambda n: n * 1e-7), old)
        self.assertTrue(text.startswith(head))
        self.assertTrue(text.endswith(tail))
        self.assertNotIn("old table", text)
        self.assertEqual(text.count("<!-- scaling table"), 1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
