"""harf-convert stopped by a signal mid-conversion."""
import os
import shutil
import subprocess
import unittest

from convert_docs_support import fresh, paths
from doc_packages import write_docx


def big_docx(path, paragraphs):
    """A .docx of many paragraphs of legacy runs."""
    run = ('<w:p><w:r><w:t xml:space="preserve">Absatz %d: </w:t></w:r><w:r><w:rPr><w:rFonts '
           'w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/></w:rPr><w:t xml:space="preserve">'
           '%s</w:t></w:r></w:p>')
    glyphs = "".join(chr(c) for c in (32, 108, 98, 225, 229, 98, 32, 163, 224, 236, 163))
    write_docx(path, (run % (i, glyphs * (1 + i % 5)) for i in range(paragraphs)))


class Interrupted(unittest.TestCase):
    """A conversion stopped by a signal leaves nothing behind, dies of that
    signal, and stops LibreOffice with it."""

    def interrupt(self, args, sig, started, tmp=None):
        """Starts harf-convert, waits until `started()` holds, and sends `sig`.
        The program is stopped (SIGSTOP) the moment the work shows, so that a
        loaded machine cannot let it finish before the signal lands; `sig`
        is delivered when it goes on."""
        import signal
        import time
        env = dict(os.environ)
        if tmp:
            env["TMPDIR"] = tmp
        p = subprocess.Popen([paths.convert, *args], stderr=subprocess.DEVNULL, env=env)
        deadline = time.monotonic() + 60
        while not started() and time.monotonic() < deadline and p.poll() is None:
            time.sleep(0.005)
        p.send_signal(signal.SIGSTOP)
        self.assertIsNone(p.poll(), "finished before it could be interrupted")
        p.send_signal(sig)
        p.send_signal(signal.SIGCONT)
        self.assertEqual(p.wait(timeout=30), -sig)

    def test_text_and_docx_leave_no_temporary_file(self):
        import signal
        d = fresh("interrupt")
        text = os.path.join(d, "big.txt")
        with open(text, "wb") as f:
            f.write(("بسم الله الرحمن الرحيم " * 20 + "\n").encode() * 40000)
        document = os.path.join(d, "big.docx")
        big_docx(document, 300000)
        inputs = sorted(os.listdir(d))

        def temp_of(name):
            return lambda: any(n.startswith("." + name) for n in os.listdir(d))
        for src, to, sig in ((text, "legacy", signal.SIGTERM), (text, "legacy", signal.SIGINT),
                             (document, "unicode", signal.SIGHUP),
                             (document, "unicode", signal.SIGTERM)):
            with self.subTest(src=src, sig=sig):
                out = os.path.basename(src).replace("big.", "big.%s." % to)
                self.interrupt(["--to", to, src], sig, temp_of(out))
                self.assertEqual(sorted(os.listdir(d)), inputs)

    @unittest.skipUnless(shutil.which("soffice"), "LibreOffice is not installed")
    def test_libreoffice_is_stopped_and_its_folders_removed(self):
        import signal
        d = fresh("interrupt-office")
        tmp = os.path.join(d, "tmp")
        os.makedirs(tmp)
        src = os.path.join(d, "brief.rtf")
        with open(src, "w") as f:
            f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 VarnelNormal;}}\\f0 lb\\par}")

        def office_started():
            return any(os.path.isdir(os.path.join(tmp, n, "profile")) for n in os.listdir(tmp))
        # Ctrl+C at the terminal: LibreOffice, in a process group of its own,
        # does not get it and must be stopped by harf-convert.
        self.interrupt([src], signal.SIGINT, office_started, tmp=tmp)
        self.assertEqual(os.listdir(tmp), [])
        self.assertEqual(sorted(os.listdir(d)), ["brief.rtf", "tmp"])
        self.assertEqual(office_processes(tmp), [])


def office_processes(folder):
    """Processes whose command line names `folder`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if folder.encode() in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found
