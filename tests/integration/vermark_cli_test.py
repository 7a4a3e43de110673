#!/usr/bin/python3
"""Runs the vermark binary on drawings written by ezdxf and checks the copies with ezdxf.

Needs VERMARK_BIN (the binary) and VERMARK_SAMPLES (the samples folder) in the environment;
VERMARK_RUNNER runs the binary through another program (wine, for the Windows build).
Usage: vermark_cli_test.py [SUITE...]
"""
import io
import json
import os
import pathlib
import re
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

import ezdxf
from ezdxf.filemanagement import dxf_file_info
from ezdxf.lldxf.tagger import ascii_tags_loader
from ezdxf.lldxf.validator import dxf_info

VERMARK = os.environ.get("VERMARK_BIN", "vermark")
RUNNER = os.environ.get("VERMARK_RUNNER", "").split()
COMMAND = [*RUNNER, VERMARK]
UNDER_WINE = bool(RUNNER) and os.path.basename(RUNNER[0]).startswith("wine")
# What these cases use (folder modes, another user, file size limits, /dev/full) has no meaning
# for a Windows program under Wine; its own bad-input cases live in WindowsNames.
POSIX_ONLY = unittest.skipIf(UNDER_WINE, "POSIX permissions, users and limits: not under Wine")
SAMPLES = pathlib.Path(os.environ.get("VERMARK_SAMPLES", "samples"))
GROUP = "  9\n$ACADVER\n  1\nAC1008\n"


def drawing(version, title="Plan", encoding=None):
    doc = ezdxf.new(version)
    if encoding:
        doc.encoding = encoding
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 5))
    msp.add_circle((5, 5), 3)
    msp.add_arc((0, 0), 2, 0, 90)
    msp.add_text(title)
    return doc


def text_without_acadver(doc):
    stream = io.StringIO()
    doc.write(stream)
    text, count = re.subn(r"  9\n\$ACADVER\n  1\n[^\n]*\n", "", stream.getvalue(), count=1)
    assert count == 1
    return text


def entity_count(text):
    """Top-level entities of the ENTITIES section, counted on the tags (ezdxf cannot load every
    drawing that lacks $ACADVER, which is why these need stamping)."""
    count, section, expect_name = 0, None, False
    for code, value in ascii_tags_loader(io.StringIO(text.replace("\r\n", "\n"))):
        if expect_name:
            section, expect_name = value, False
        elif code == 0 and value == "SECTION":
            expect_name = True
        elif code == 0 and value == "ENDSEC":
            section = None
        elif code == 0 and section == "ENTITIES" and value not in ("VERTEX", "SEQEND", "ATTRIB"):
            count += 1
    return count


def with_group(text):
    """The text as stamping should leave it (LF form)."""
    return text.replace("SECTION\n  2\nHEADER\n", "SECTION\n  2\nHEADER\n" + GROUP, 1)


def as_written_on_linux(result):
    """The Windows program names paths with backslashes (doubled inside JSON), where these
    expectations write "/"; Wine itself may add a line of its own to the error stream."""
    def slashes(text):
        return text.replace("\\\\", "/").replace("\\", "/")
    lines = result.stderr.splitlines(keepends=True)
    errors = [line for line in lines if not line.startswith("wine client error")]
    # Kept for failure messages: a program that could not reach the Wine server prints nothing
    # else.
    result.wine_errors = "".join(line for line in lines if line not in errors)
    result.stdout = slashes(result.stdout)
    result.stderr = slashes("".join(errors))
    return result


class Sandbox(unittest.TestCase):
    """Each test works in its own folder, with the program's own files kept inside it."""

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="vermark-it-")
        self.dir = pathlib.Path(self._tmp.name)
        self.env = dict(os.environ)
        for name, sub in (("VERMARK_HOME", "home"), ("HOME", "home"), ("TMPDIR", "tmp")):
            (self.dir / sub).mkdir(exist_ok=True)
            self.env[name] = str(self.dir / sub)
        self.work = self.dir / "work"
        self.work.mkdir()

    def tearDown(self):
        self._tmp.cleanup()

    def vermark(self, *args, preexec_fn=None):
        result = subprocess.run([*COMMAND, *map(str, args)], cwd=self.work, env=self.env,
                                capture_output=True, text=True, timeout=120,
                                preexec_fn=preexec_fn)
        return as_written_on_linux(result) if UNDER_WINE else result

    def put(self, name, data):
        path = self.work / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        return path

    def stamp_ok(self, path):
        result = self.vermark("stamp", path)
        self.assertEqual(result.returncode, 0, result.stderr + getattr(result, "wine_errors", ""))
        self.assertEqual(result.stderr, "")
        self.assertIn("written", result.stdout)
        copy = path.with_name(path.name[: -len(path.suffix)] + ".1008.dxf")
        self.assertTrue(copy.exists())
        return copy

    def files(self):
        return sorted(p.relative_to(self.work).as_posix() for p in self.work.rglob("*")
                      if p.is_file())


class EzdxfRoundTrip(Sandbox):
    def test_r12_and_r2000_with_lf_and_crlf(self):
        for version in ("R12", "R2000"):
            for line_end in ("\n", "\r\n"):
                with self.subTest(version=version, line_end=repr(line_end)):
                    doc = drawing(version)
                    text = text_without_acadver(doc)
                    data = text.replace("\n", line_end).encode("ascii")
                    name = f"{version}-{len(line_end)}.dxf"
                    path = self.put(name, data)
                    copy = self.stamp_ok(path)

                    self.assertEqual(path.read_bytes(), data, "the input changed")
                    self.assertEqual(copy.read_bytes(),
                                     with_group(text).replace("\n", line_end).encode("ascii"))
                    self.assertEqual(dxf_file_info(str(copy)).version, "AC1008")
                    self.assertEqual(len(ezdxf.readfile(copy).modelspace()),
                                     len(doc.modelspace()))

    def test_shift_jis_text_survives(self):
        doc = drawing("R12", "平面図 一階", encoding="cp932")
        path = self.put("jis.dxf", text_without_acadver(doc).replace("\n", "\r\n").encode("cp932"))
        copy = self.stamp_ok(path)
        info = dxf_file_info(str(copy))
        self.assertEqual((info.version, info.encoding), ("AC1008", "cp932"))
        texts = [e.dxf.text for e in ezdxf.readfile(copy).modelspace().query("TEXT")]
        self.assertEqual(texts, ["平面図 一階"])

    def test_utf8_text_survives(self):
        doc = drawing("R2000", "Étage — 平面図")
        path = self.put("utf8.dxf", text_without_acadver(doc).encode("utf-8"))
        copy = self.stamp_ok(path)
        self.assertEqual(dxf_file_info(str(copy)).version, "AC1008")
        msp = ezdxf.readfile(copy, encoding="utf-8").modelspace()
        self.assertEqual([e.dxf.text for e in msp.query("TEXT")], ["Étage — 平面図"])
        self.assertEqual(len(msp), len(doc.modelspace()))

    def test_utf16_copy_keeps_its_mark(self):
        doc = drawing("R2000", "断面図")
        text = text_without_acadver(doc).replace("\n", "\r\n")
        path = self.put("wide.dxf", b"\xff\xfe" + text.encode("utf-16-le"))
        data = self.stamp_ok(path).read_bytes()
        self.assertEqual(data[:2], b"\xff\xfe")
        copy_text = data[2:].decode("utf-16-le").replace("\r\n", "\n")
        self.assertEqual(dxf_info(io.StringIO(copy_text)).version, "AC1008")
        msp = ezdxf.read(io.StringIO(copy_text)).modelspace()
        self.assertEqual([e.dxf.text for e in msp.query("TEXT")], ["断面図"])

    def test_big_endian_utf16_becomes_shift_jis(self):
        doc = drawing("R12", "立面図", encoding="cp932")
        text = text_without_acadver(doc).replace("\n", "\r\n")
        path = self.put("be.dxf", b"\xfe\xff" + text.encode("utf-16-be"))
        copy = self.stamp_ok(path)
        self.assertEqual(copy.read_bytes(), with_group(text.replace("\r\n", "\n"))
                         .replace("\n", "\r\n").encode("cp932"))
        self.assertEqual(dxf_file_info(str(copy)).version, "AC1008")


class BundledSamples(Sandbox):
    def test_samples_are_stamped_and_read_back(self):
        samples = sorted(SAMPLES.glob("*.dxf"))
        self.assertGreaterEqual(len(samples), 5)
        for sample in samples:
            self.put(sample.name, sample.read_bytes())
        result = self.vermark("--json", "stamp", *[s.name for s in samples])
        self.assertEqual(result.returncode, 0, result.stderr)
        reports = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual(len(reports), len(samples))
        for report in reports:
            with self.subTest(sample=report["path"]):
                source = self.work / report["path"]
                self.assertEqual(source.read_bytes(), (SAMPLES / report["path"]).read_bytes())
                if "has-acadver" in report["path"]:
                    self.assertEqual((report["status"], report["version"]), ("skipped", "AC1015"))
                    continue
                self.assertEqual(report["status"], "written")
                copy = self.work / report["output"]
                codec = {"UTF_16": "utf-16", "UTF_8": "utf-8", "Shift_JIS": "cp932"}.get(
                    report["encoding"], "ascii")
                source_text = source.read_bytes().decode(codec)
                copy_text = copy.read_bytes().decode(codec).replace("\r\n", "\n")
                self.assertEqual(dxf_info(io.StringIO(copy_text)).version, "AC1008")
                doc = ezdxf.read(io.StringIO(copy_text))
                self.assertEqual(len(doc.modelspace()), entity_count(source_text))
                self.assertGreater(len(doc.modelspace()), 0)


class CommandLine(Sandbox):
    def plan(self, name="plan.dxf", text=None):
        return self.put(name, (text or text_without_acadver(drawing("R12"))).encode("ascii"))

    def unprivileged(self):
        """A preexec_fn that runs the program as nobody when the tests run as root, whom folder
        permissions do not stop; None otherwise."""
        if os.geteuid() != 0:
            return None
        self.dir.chmod(0o755)

        def as_nobody():
            os.setgroups([])
            os.setgid(65534)
            os.setuid(65534)
        return as_nobody

    @POSIX_ONLY
    def test_a_folder_that_cannot_be_read_is_an_error(self):
        self.plan("a/one.1008.dxf", with_group(text_without_acadver(drawing("R12"))))
        self.plan("a/locked/two.dxf")
        (self.work / "a" / "locked").chmod(0o000)
        result = self.vermark("check", "-r", "a", preexec_fn=self.unprivileged())
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "ok\ta/one.1008.dxf\tAC1008\n")
        self.assertEqual(result.stderr,
                         "vermark: a/locked: cannot read the folder: Permission denied\n")

    def test_usage_errors_exit_2(self):
        for args in ([], ["stamp"], ["frobnicate", "a.dxf"], ["stamp", "--force", "a.dxf"]):
            with self.subTest(args=args):
                result = self.vermark(*args)
                self.assertEqual(result.returncode, 2)
                self.assertTrue(result.stderr.startswith("vermark: "))
        # An unknown option's text reaches the terminal escaped, never as control sequences.
        result = self.vermark("--\x1b]0;x\x07\nfake", "a.dxf")
        self.assertEqual(result.returncode, 2)
        # (Under Wine the harness reads every backslash as a path's "/".)
        self.assertRegex(result.stderr, r"unknown option --[\\/]x1B\]0;x[\\/]x07[\\/]nfake\n")
        self.assertNotRegex(result.stderr, "[\x00-\x09\x0b-\x1f]")
        self.assertEqual(self.vermark("--help").returncode, 0)
        self.assertRegex(self.vermark("--version").stdout, r"^vermark \d+\.\d+\.\d+\.\d+\n")

    def test_each_failure_is_one_line_and_exit_1(self):
        self.plan()
        (self.work / "folder").mkdir()
        result = self.vermark("stamp", "missing.dxf", "folder", "plan.dxf")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.splitlines(), [
            "vermark: missing.dxf: no such file or folder",
            "vermark: folder: is a folder (use -r to walk it)",
        ])
        self.assertEqual(result.stdout, "written\tplan.dxf -> plan.1008.dxf (ASCII)\n")

    def test_recursive_stamp_then_check(self):
        self.plan("a/one.dxf")
        self.plan("a/b/TWO.DXF")
        self.put("a/b/notes.txt", b"not a drawing")
        self.put("a/has.dxf", text_without_acadver(drawing("R12")).replace(
            "HEADER\n", "HEADER\n  9\n$ACADVER\n  1\nAC1009\n", 1).encode("ascii"))
        check = self.vermark("check", "-r", "a")
        self.assertEqual(check.returncode, 1)
        self.assertIn("missing\ta/one.dxf", check.stdout)

        result = self.vermark("stamp", "-r", "a")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(), [
            "written\ta/b/TWO.DXF -> a/b/TWO.1008.dxf (ASCII)",
            "skipped\ta/has.dxf: already AC1009",
            "written\ta/one.dxf -> a/one.1008.dxf (ASCII)",
        ])
        self.assertEqual(self.files(), ["a/b/TWO.1008.dxf", "a/b/TWO.DXF", "a/b/notes.txt",
                                        "a/has.dxf", "a/one.1008.dxf", "a/one.dxf"])
        for copy in ("a/one.1008.dxf", "a/b/TWO.1008.dxf"):
            self.assertEqual(self.vermark("check", copy).returncode, 0)

    def test_a_copy_never_replaces_another_input(self):
        self.plan()
        own = self.plan("plan.1008.dxf", text_without_acadver(drawing("R12", title="Own")))
        before = own.read_bytes()
        result = self.vermark("stamp", "plan.dxf", "plan.1008.dxf")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, "vermark: plan.dxf: the copy plan.1008.dxf would "
                                        "replace an input without $ACADVER\n")
        self.assertEqual(own.read_bytes(), before)

        self.plan("b/two.DXF")
        self.plan("b/two.dxf")
        result = self.vermark("stamp", "-r", "b")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, "vermark: b/two.dxf: the copy b/two.1008.dxf was "
                                        "already written from b/two.DXF\n")
        # A copy from an earlier run records its version and is replaced as usual.
        again = self.vermark("stamp", "b/two.DXF", "b/two.1008.dxf")
        self.assertEqual((again.returncode, again.stderr), (0, ""))

    def test_inspect_json_and_quiet(self):
        self.plan()
        result = self.vermark("inspect", "--json", "plan.dxf")
        self.assertEqual(result.returncode, 0)
        report = json.loads(result.stdout)
        self.assertEqual((report["encoding"], report["eligible"], report["version"]),
                         ("ASCII", True, None))
        self.assertEqual(self.vermark("-q", "stamp", "plan.dxf").stdout, "")
        self.assertTrue((self.work / "plan.1008.dxf").exists())

    def test_existing_copy_is_replaced_and_late_version_writes_nothing(self):
        path = self.plan()
        self.put("plan.1008.dxf", b"stale")
        self.stamp_ok(path)
        self.assertEqual(dxf_file_info(str(self.work / "plan.1008.dxf")).version, "AC1008")

        late = text_without_acadver(drawing("R12")).replace(
            "  0\nENDSEC\n", "999\n" + "x" * 20000 + "\n  9\n$ACADVER\n  1\nAC1012\n  0\nENDSEC\n", 1)
        self.plan("late.dxf", late)
        result = self.vermark("stamp", "late.dxf")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "skipped\tlate.dxf: already AC1012\n")
        self.assertFalse((self.work / "late.1008.dxf").exists())

    @POSIX_ONLY
    def test_a_report_that_cannot_be_written_fails(self):
        self.plan()
        with open("/dev/full", "w") as full:
            result = subprocess.run([*COMMAND, "inspect", "plan.dxf"], cwd=self.work, env=self.env,
                                    stdout=full, stderr=subprocess.PIPE, text=True, timeout=120)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, "vermark: cannot write to standard output\n")

    @POSIX_ONLY
    def test_a_write_that_fails_leaves_no_copy(self):
        self.plan("big.dxf", text_without_acadver(drawing("R2000")))
        self.put("big.1008.dxf", b"the earlier copy")

        def small_file_limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))

        result = self.vermark("stamp", "big.dxf", preexec_fn=small_file_limit)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "")
        self.assertEqual(result.stderr,
                         "vermark: big.dxf: cannot write big.1008.dxf: File too large\n")
        self.assertEqual((self.work / "big.1008.dxf").read_bytes(), b"the earlier copy")
        self.assertEqual(self.files(), ["big.1008.dxf", "big.dxf"])

    @POSIX_ONLY
    def test_in_a_read_only_folder_only_stampable_drawings_fail(self):
        self.plan()
        self.put("has.dxf", text_without_acadver(drawing("R12")).replace(
            "HEADER\n", "HEADER\n  9\n$ACADVER\n  1\nAC1009\n", 1).encode("ascii"))
        self.put("notes.dxf", b"999\nno sections here\n  0\nEOF\n")
        self.work.chmod(0o555)  # TemporaryDirectory clears such folders too
        as_user = self.unprivileged()
        for name, status, out in (("has.dxf", 0, "skipped\thas.dxf: already AC1009\n"),
                                  ("notes.dxf", 0, "skipped\tnotes.dxf: no HEADER section\n"),
                                  ("plan.dxf", 1, "")):
            with self.subTest(name=name):
                result = self.vermark("stamp", name, preexec_fn=as_user)
                self.assertEqual((result.returncode, result.stdout), (status, out))
        self.assertEqual(result.stderr, "vermark: plan.dxf: cannot create a file beside "
                                        "plan.1008.dxf: Permission denied\n")
        self.assertEqual(self.files(), ["has.dxf", "notes.dxf", "plan.dxf"])

@unittest.skipUnless(UNDER_WINE, "names only Windows has: for the Windows program")
class WindowsNames(Sandbox):
    def setUp(self):
        super().setUp()
        self.plan_bytes = text_without_acadver(drawing("R12")).encode("ascii")

    def test_a_japanese_name_with_a_blank_stamps(self):
        path = self.put("図面 一階.dxf", self.plan_bytes)
        copy = self.stamp_ok(path)
        self.assertEqual(copy.name, "図面 一階.1008.dxf")
        self.assertEqual(dxf_file_info(str(copy)).version, "AC1008")
        self.assertEqual(path.read_bytes(), self.plan_bytes)

    def test_device_and_stream_names_fail_and_leave_nothing(self):
        self.put("plan.dxf", self.plan_bytes)
        for name in ("CON.dxf", "NUL", "plan.dxf:x"):
            with self.subTest(name=name):
                result = self.vermark("stamp", name)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertTrue(result.stderr.startswith("vermark: " + name + ": "),
                                result.stderr)
        self.assertEqual(self.files(), ["plan.dxf"])
        self.assertEqual((self.work / "plan.dxf").read_bytes(), self.plan_bytes)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], *sys.argv[1:]], verbosity=2)
