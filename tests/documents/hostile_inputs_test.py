#!/usr/bin/python3
"""harf-convert on damaged and hostile inputs: the cases of
tests/data/hostile_inputs.tsv, each built at test time by the generator its
line names (hostile_input_generators.py), then what no table line can say:
modes under the umask, temporary files left by killed runs, and a child killed
in the middle of a batch.

usage: hostile_inputs_test.py HARF_CONVERT DATA_DIR WORK_DIR
"""
import codecs
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

from doc_packages import write_docx
from hostile_input_generators import LEGACY_RUN, generator, good_docx, good_odt, random_bytes

CONVERT = DATA = WORK = None


def run(args, cwd, **kw):
    return subprocess.run([CONVERT, *args], cwd=cwd, capture_output=True, **kw)


def fresh(name):
    d = os.path.join(WORK, re.sub(r"[^A-Za-z0-9]+", "_", name))
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    return d


def cases():
    with open(os.path.join(DATA, "hostile_inputs.tsv"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                yield line.split("\t")


class HostileInputs(unittest.TestCase):
    def test_every_case_of_the_table(self):
        for case, inputs, options, status, message, written in cases():
            if "memory limit" in case and os.environ.get("HARF_NO_MEMORY_CHECKS"):
                continue
            with self.subTest(case=case):
                d = fresh(case)
                names = []
                for item in inputs.split(" "):
                    gen, name = item.split(":", 1)
                    name = codecs.decode(name, "unicode_escape")
                    generator(gen)(os.path.join(d, name))
                    names.append(name)
                p = run(options.split() + names, d)
                err = p.stderr.decode("utf-8", "replace")
                self.assertIn(p.returncode, [int(s) for s in status.split("|")], err)
                for part in message.split(" || "):
                    self.assertIn(part, err)
                self.assertIsNone(re.search(r"[\x00-\x09\x0b-\x1f\x7f-\x9f\u202a-\u202e]", err),
                                  "a raw control character on standard error: %r" % err)
                left = set(os.listdir(d)) - set(names)
                self.assertEqual(left, set() if written == "-" else set(written.split(" ")))


class NewFiles(unittest.TestCase):
    def test_outputs_follow_the_umask(self):
        for umask, mode in ((0o022, 0o644), (0o077, 0o600), (0o002, 0o664)):
            for build, name in ((good_docx, "a.docx"), (good_odt, "b.odt")):
                with self.subTest(umask=oct(umask), name=name):
                    d = fresh("umask%o" % umask)
                    build(os.path.join(d, name))
                    p = run([name], d, preexec_fn=lambda: os.umask(umask))
                    self.assertEqual(p.returncode, 0, p.stderr)
                    out = [n for n in os.listdir(d) if ".unicode." in n][0]
                    self.assertEqual(os.stat(os.path.join(d, out)).st_mode & 0o777, mode)

    def dead_pid(self):
        p = subprocess.Popen(["true"])
        p.wait()
        return p.pid

    def test_temporaries_of_killed_runs_are_swept(self):
        d = fresh("stale")
        tmp = fresh("stale_tmp")
        good_docx(os.path.join(d, "a.docx"))
        dead = self.dead_pid()
        stale = ".a.unicode.docx.harf-%d-Ab3dE9" % dead
        live = ".b.unicode.docx.harf-%d-Xy12Zq" % os.getpid()  # a running process's
        old_name = ".c.unicode.docx.harf-%d-Qq12Zq" % os.getpid()
        for name in (stale, live, old_name):
            open(os.path.join(d, name), "w").close()
        hour_ago = time.time() - 7200
        os.utime(os.path.join(d, old_name), (hour_ago, hour_ago))  # but not a harf-convert
        folder = os.path.join(tmp, "harf-convert.%d.Ab3dE9" % dead)
        os.makedirs(os.path.join(folder, "profile"))
        kept = os.path.join(tmp, "harf-convert.%d.Xy12Zq" % os.getpid())
        os.makedirs(kept)
        # A failing file sweeps LibreOffice's folders too: a run that died may
        # have left them.
        random_bytes(os.path.join(d, "broken.docx"))
        p = run(["a.docx", "broken.docx"], d, env=dict(os.environ, TMPDIR=tmp))
        self.assertEqual(p.returncode, 2, p.stderr)
        self.assertEqual(sorted(os.listdir(d)), sorted(["a.docx", "a.unicode.docx",
                                                        "broken.docx", live]))
        self.assertEqual(os.listdir(tmp), [os.path.basename(kept)])

    def test_a_child_killed_mid_batch_is_one_failed_file(self):
        d = fresh("killed")
        body = LEGACY_RUN * 200000  # some seconds of work
        write_docx(os.path.join(d, "long.docx"), [body], stored=True)
        good_docx(os.path.join(d, "b.docx"))
        p = subprocess.Popen([CONVERT, "long.docx", "b.docx"], cwd=d, stderr=subprocess.PIPE)
        pid = None
        for _ in range(2000):
            temps = [n for n in os.listdir(d) if ".harf-" in n]
            if temps:
                pid = int(re.search(r"\.harf-(\d+)-", temps[0]).group(1))
                break
            time.sleep(0.005)
        self.assertIsNotNone(pid, "no temporary output appeared")
        os.kill(pid, signal.SIGKILL)
        err = p.communicate(timeout=120)[1].decode()
        self.assertEqual(p.returncode, 1, err)
        self.assertIn("long.docx: crashed (signal 9)", err)
        self.assertIn("2 files, 1 converted", err)
        self.assertEqual(sorted(os.listdir(d)), ["b.docx", "b.unicode.docx", "long.docx"])

    def test_a_stop_signal_reaches_the_child_and_nothing_is_left(self):
        d = fresh("stopped")
        write_docx(os.path.join(d, "long.docx"), [LEGACY_RUN * 200000], stored=True)
        p = subprocess.Popen([CONVERT, "long.docx"], cwd=d, stderr=subprocess.PIPE)
        for _ in range(2000):
            if any(".harf-" in n for n in os.listdir(d)):
                break
            time.sleep(0.005)
        p.send_signal(signal.SIGTERM)
        p.communicate(timeout=60)
        self.assertEqual(p.returncode, -signal.SIGTERM)
        time.sleep(0.2)  # the child's own exit
        self.assertEqual(os.listdir(d), ["long.docx"])

    def test_a_batch_killed_outright_takes_its_child_and_temporary_file(self):
        d = fresh("batch_killed")
        write_docx(os.path.join(d, "long.docx"), [LEGACY_RUN * 200000], stored=True)
        p = subprocess.Popen([CONVERT, "long.docx"], cwd=d, stderr=subprocess.DEVNULL)
        for _ in range(2000):
            if any(".harf-" in n for n in os.listdir(d)):
                break
            time.sleep(0.005)
        p.kill()
        p.wait()
        for _ in range(1000):  # the child cleans up as on SIGTERM
            if os.listdir(d) == ["long.docx"]:
                break
            time.sleep(0.01)
        self.assertEqual(os.listdir(d), ["long.docx"])

if __name__ == "__main__":
    CONVERT, DATA, WORK = sys.argv[1:4]
    CONVERT = os.path.abspath(CONVERT)
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=1)
