"""bench/run: its reading of Google Benchmark reports, its figure selection, and
how it runs benchmark programs."""

import contextlib
import importlib.machinery
import io
import shutil
import subprocess
import tempfile
from unittest import mock
import importlib.util
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "bench", "run")


def load_script():
    loader = importlib.machinery.SourceFileLoader("bench_run", SCRIPT)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("bench_run", loader))
    loader.exec_module(module)
    return module


run = load_script()


def aggregate(name, kind, real_time, unit="ms", **counters):
    entry = {"name": f"{name}/real_time_{kind}", "run_name": f"{name}/real_time", "run_type": "aggregate",
             "aggregate_name": kind, "real_time": real_time, "time_unit": unit}
    entry.update(counters)
    return entry


class ParseTest(unittest.TestCase):
    def test_takes_the_median_not_mean_or_spread(self):
        report = {"benchmarks": [
            aggregate("bank.count.q100k", "mean", 9.0),
            aggregate("bank.count.q100k", "median", 4.1),
            aggregate("bank.count.q100k", "stddev", 0.3),
            aggregate("bank.count.q100k", "cv", 0.05, unit=""),
        ]}
        self.assertEqual(run.parse(report), {"bank.count.q100k": (4.1, "ms")})

    def test_throughput_and_sizes_in_their_units(self):
        report = {"benchmarks": [
            aggregate("rtf.read.zh5mb", "median", 80.0, bytes_per_second=25_000_000.0),
            aggregate("rtf.read.zh5mb.rss", "median", 1.0, MB=42.5),
        ]}
        figures = run.parse(report)
        self.assertEqual(figures["rtf.read.zh5mb"], (25.0, "MB/s"))
        self.assertEqual(figures["rtf.read.zh5mb.rss"], (42.5, "MB"))

    def test_a_ratio_counter_is_the_figure_not_the_time(self):
        report = {"benchmarks": [
            aggregate("tree.build.paths10k.vs.sqlite", "mean", 40.0, x=3.5),
            aggregate("tree.build.paths10k.vs.sqlite", "median", 38.0, x=2.5),
        ]}
        self.assertEqual(run.parse(report), {"tree.build.paths10k.vs.sqlite": (2.5, "x")})

    def test_failed_benchmark_is_reported_with_its_message(self):
        report = {"benchmarks": [
            {"name": "login.q10k/real_time", "run_name": "login.q10k/real_time", "run_type": "iteration",
             "error_occurred": True, "error_message": "admin/admin123 did not log in"},
        ]}
        self.assertEqual(run.parse(report), {"login.q10k": ("error", "admin/admin123 did not log in")})

    def test_single_runs_without_aggregates_keep_the_first(self):
        report = {"benchmarks": [
            {"name": "bank.open.q10k", "run_name": "bank.open.q10k", "run_type": "iteration",
             "real_time": 0.3, "time_unit": "ms"},
            {"name": "bank.open.q10k", "run_name": "bank.open.q10k", "run_type": "iteration",
             "real_time": 0.9, "time_unit": "ms"},
        ]}
        self.assertEqual(run.parse(report), {"bank.open.q10k": (0.3, "ms")})


class SelectionTest(unittest.TestCase):
    def test_prefixes_select_figures(self):
        s = run.Selection(["bank.count", "login."])
        self.assertTrue(s.wants("bank.count.q10k"))
        self.assertTrue(s.wants("login.q100k"))
        self.assertFalse(s.wants("bank.open.q10k"))
        self.assertTrue(run.Selection([]).wants("anything"))

    def test_inputs_are_prepared_for_wider_and_narrower_prefixes(self):
        self.assertTrue(run.Selection(["rtf.read.zh5mb.vs.abiword"]).wants_any("rtf."))
        self.assertTrue(run.Selection(["rt"]).wants_any("rtf."))
        self.assertFalse(run.Selection(["bank."]).wants_any("rtf."))

    def test_every_figure_on_a_bank_gets_the_banks(self):
        # Each program that reads a bank: its figures alone are enough to make them.
        for prefix in ("bank.", "login.", "browse.", "compose.", "paper.pdf", "paper."):
            self.assertTrue(run.needs_banks(run.Selection([prefix])), prefix)
        self.assertTrue(run.needs_banks(run.Selection([])))
        for prefix in ("rtf.", "formula.", "peer."):
            self.assertFalse(run.needs_banks(run.Selection([prefix])), prefix)

    def test_filter_matches_names_literally_from_the_start(self):
        import re
        regex = re.compile(run.filter_regex(["bank.open", "login.q1"]))
        self.assertTrue(regex.search("bank.open.q10k/real_time"))
        self.assertTrue(regex.search("login.q100k"))
        self.assertFalse(regex.search("bankXopen.q10k"))
        self.assertFalse(regex.search("x.bank.open"))
        self.assertIsNone(run.filter_regex([]))


class PeerTest(unittest.TestCase):
    """Our converter and the peers, each timed as a whole process by time_peer
    (mocked here: tiku-admin takes 0.5 s, every peer 2 s on a 1 MB file)."""

    def compare(self, which, prefixes=(), admin=True):
        out = io.StringIO()
        calls = []

        def fake_time_peer(cmd_for, runs, warmup):
            cmd, output, to_stdout = cmd_for("/tmp/x")
            calls.append((cmd, to_stdout, runs, warmup))
            return (0.5 if cmd[0].endswith("tiku-admin") else 2.0), None

        with tempfile.TemporaryDirectory() as bin_dir, tempfile.NamedTemporaryFile() as source, \
                mock.patch.object(run.shutil, "which", which), contextlib.redirect_stdout(out), \
                mock.patch.object(run, "time_peer", fake_time_peer), mock.patch.object(run, "BIN", bin_dir):
            if admin:
                path = os.path.join(bin_dir, "tiku-admin")
                with open(path, "w") as fh:
                    fh.write("#!/bin/sh\n")
                os.chmod(path, 0o755)
            source.write(b"x" * 1_000_000)
            source.flush()
            run.compare_with_peers(run.Selection(list(prefixes)), True, source.name)
            self.source = source.name
        return out.getvalue().splitlines(), calls

    def test_missing_programs_give_a_line_instead_of_a_failure(self):
        lines, _ = self.compare(lambda program: None)
        self.assertEqual(lines[0], "rtf.read.zh5mb.process: 2.00 MB/s")
        self.assertEqual(len(lines), 3)
        self.assertTrue(lines[1].startswith("rtf.read.zh5mb.vs.abiword: skipped (abiword is not installed"))
        self.assertTrue(lines[2].startswith("rtf.read.zh5mb.vs.libreoffice: skipped (soffice is not installed"))

    def test_ratio_is_their_process_time_over_ours(self):
        lines, calls = self.compare(lambda program: "/usr/bin/" + program, ["rtf.read.zh5mb.vs.abiword"])
        self.assertEqual(lines, ["peer.abiword.read.zh5mb: 0.5 MB/s", "rtf.read.zh5mb.vs.abiword: 4.00 x"])
        # Both sides are whole processes on the same file, timed alike.
        ours, theirs = calls
        self.assertEqual(ours[0][1:], ["convert", self.source, "--to", "text"])
        self.assertTrue(ours[1])
        self.assertIn(self.source, theirs[0])
        self.assertEqual(ours[2:], theirs[2:])

    def test_no_ratio_without_our_converter(self):
        lines, _ = self.compare(lambda program: "/usr/bin/" + program, ["rtf.read.zh5mb.vs.libreoffice"],
                                admin=False)
        self.assertEqual(lines[0], "peer.libreoffice.read.zh5mb: 0.5 MB/s")
        self.assertTrue(lines[1].startswith("rtf.read.zh5mb.vs.libreoffice: not measured (tiku-admin convert"))


# A benchmark program as Google Benchmark makes them: it opens its report
# before matching the filter, and with nothing matched says so, leaves the
# report empty and exits 0. NAMES None: a program that stops before writing
# its report, silently.
FAKE_PROGRAM = """#!{python}
import json, re, sys
NAMES = {names!r}
args = dict(a[2:].split("=", 1) for a in sys.argv[1:] if a.startswith("--") and "=" in a)
pattern = args.get("benchmark_filter", ".")
with open(args["benchmark_out"], "w") as out:
    if NAMES is None:
        sys.exit(0)
    chosen = [n for n in NAMES if re.search(pattern, n)]
    if not chosen:
        print("Failed to match any benchmarks against regex: " + pattern, file=sys.stderr)
        sys.exit(0)
    json.dump({{"benchmarks": [{{"name": n + "/real_time_median", "run_name": n + "/real_time",
                                 "run_type": "aggregate", "aggregate_name": "median",
                                 "real_time": 2.5, "time_unit": "ms"}} for n in chosen]}}, out)
"""


class CommandLineTest(unittest.TestCase):
    def run_with_programs(self, programs, *args):
        """bench/run --no-build ARGS in a copy of the tree whose build-release/bin
        holds fake programs: name -> benchmark names."""
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, "bench"))
            script = os.path.join(root, "bench", "run")
            shutil.copy(SCRIPT, script)
            bin_dir = os.path.join(root, "build-release", "bin")
            os.makedirs(bin_dir)
            for name, names in programs.items():
                path = os.path.join(bin_dir, name)
                with open(path, "w") as fh:
                    fh.write(FAKE_PROGRAM.format(python=sys.executable, names=names))
                os.chmod(path, 0o755)
            return subprocess.run([sys.executable, script, "--no-build", *args], capture_output=True, text=True,
                                  timeout=60)

    def test_programs_without_a_matching_benchmark_are_skipped(self):
        r = self.run_with_programs({"bank_bench": ["alpha.one", "beta.two"], "rtf_bench": ["gamma.three"],
                                    "question_bench": ["delta.four"], "classify_bench": [], "admin_bench": [],
                                    "compose_bench": [], "paper_bench": [], "formula_bench": [],
                                    "metafile_bench": [], "docx_bench": []},
                                   "alpha.")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), ["alpha.one: 2.50 ms"])
        self.assertIn("rtf_bench has no benchmark under alpha.; skipped", r.stderr)
        self.assertNotIn("failed", r.stderr)

    def test_an_empty_report_without_that_message_is_a_failure(self):
        r = self.run_with_programs({"bank_bench": ["alpha.one"], "rtf_bench": None, "question_bench": [],
                                    "classify_bench": [], "admin_bench": [], "compose_bench": [],
                                    "paper_bench": [], "formula_bench": [], "metafile_bench": [], "docx_bench": []},
                                   "alpha.", "gamma.")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), ["alpha.one: 2.50 ms"])
        self.assertIn("bench/run: rtf_bench failed (exit 0)", r.stderr)


class FormatTest(unittest.TestCase):
    def test_three_significant_digits_or_whole_numbers(self):
        self.assertEqual([run.fmt(v) for v in (0.012345, 4.1234, 61.44, 147.2)], ["0.0123", "4.12", "61.4", "147"])


if __name__ == "__main__":
    sys.exit(0 if unittest.main(exit=False).result.wasSuccessful() else 1)
