"""The outside programs a reader test drives, and the Debian package of each.

A test that finds one missing exits with SKIP (77, which CTest is told means
skipped) and names the package, so a machine without LibreOffice or Chromium
reports the test as skipped instead of failed.
"""
import shutil
import sys

SKIP = 77
PACKAGES = {
    "soffice": "libreoffice-writer, libreoffice-calc and libreoffice-impress",
    "pdftotext": "poppler-utils",
    "pdffonts": "poppler-utils",
    "chromium": "chromium",
}


def require(*programs):
    missing = [p for p in programs if shutil.which(p) is None]
    if missing:
        print("SKIP: " + "; ".join(
            f"no {p} on PATH: install the Debian package {PACKAGES[p]}" for p in missing))
        sys.exit(SKIP)
