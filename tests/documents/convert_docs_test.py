#!/usr/bin/python3
"""harf-convert on real documents: the generated German letter with legacy
runs (.docx and .odt) converted to Unicode and back, tables and text files,
and every kind of bad input.

usage: convert_docs_test.py HARF_CONVERT HARF_SHAPE WORK_DIR [GROUP...]

A group is one of the test classes imported below (CTest runs each as its own
test); without one, all of them run. The classes live in the convert_docs_*
modules beside this script, by what they test.
"""
import os
import sys
import unittest

from convert_docs_bad_input import BadInput
from convert_docs_interrupted import Interrupted
from convert_docs_letter import Letter
from convert_docs_paragraphs import LegacyParagraphs, OdtWithoutFontFaces
from convert_docs_support import paths
from convert_docs_tables import PlainFiles, RandomTables, TableColumns

# The groups, in the order CTest lists them: unittest.main finds each by its
# name in this module.
__all__ = ["Letter", "PlainFiles", "TableColumns", "LegacyParagraphs", "OdtWithoutFontFaces",
           "RandomTables", "Interrupted", "BadInput"]

if __name__ == "__main__":
    paths.convert, paths.shape, paths.work = sys.argv[1:4]
    os.makedirs(paths.work, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])
