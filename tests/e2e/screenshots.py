#!/usr/bin/python3
"""Screenshots of the real program in several languages, to be looked at: for
each locale, a sample crash in a fresh prefix, the error report dialog, the
About dialog, and the contents viewer with the crash log previewed, saved as
PNG files named <language>-dialog.png, <language>-about.png, <language>-viewer.png.

usage: screenshots.py WIN64_BUILD_DIR OUTPUT_DIR [LOCALE ...]
  e.g. screenshots.py build/win64 /tmp/screens de_DE.UTF-8 ja_JP.UTF-8
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import Prefix  # noqa: E402
from run_e2e import IDC_CONTENTS_LINK, IDC_DONT_SEND, Crash  # noqa: E402

LOCALES = ["en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "ja_JP.UTF-8", "zh_CN.UTF-8",
           "zh_TW.UTF-8", "ko_KR.UTF-8"]
IDC_FILE_LIST = 41527
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def captions(tag):
    """The captions of the error report, About and contents dialogs in one language."""
    with open(os.path.join(SOURCE, "res", "lang", tag + ".rc"), encoding="utf-8") as f:
        text = f.read()
    found = []
    for dialog in ("IDD_ERROR_REPORT", "IDD_ABOUTBOX", "IDD_REPORT_CONTENTS"):
        match = re.search(dialog + r"\s+DIALOGEX[^\n]*\n(?:[^\n]*\n)*?CAPTION\s+\"((?:[^\"]|\"\")*)\"", text)
        found.append(match.group(1).replace('""', '"'))
    return found


def language_file(locale):
    """res/lang/<tag>.rc of a locale, e.g. de_DE.UTF-8 -> de-DE."""
    return locale.split(".")[0].replace("_", "-")


def shoot(build, out, locale):
    tag = language_file(locale)
    dialog, about, viewer = captions(tag)
    # A template prefix of a test run serves when one is named; else one is made.
    template = tempfile.mkdtemp(prefix="norda-shots.")
    made = os.environ.get("NORDA_WINE_TEMPLATE") or os.path.join(template, "t")
    if not os.path.isdir(os.path.join(made, "drive_c")):
        subprocess.run([os.path.join(SOURCE, "scripts", "wine", "make-template.sh"), made],
                       check=True, stdout=subprocess.DEVNULL)
    prefix = Prefix(made, build, out)
    try:
        Crash(prefix)
        q = lambda caption: '"%s"' % caption  # noqa: E731
        prefix.drive([
            "start C:\\NORDA\\NordaErrorDialog.exe", "wait-window " + dialog, "screenshot C:\\dialog.bmp",
            "syscommand %s 16" % q(dialog), "wait-window " + about, "screenshot C:\\about.bmp",
            "close " + about, "wait-gone " + about,
            "mouse %s %d" % (q(dialog), IDC_CONTENTS_LINK), "wait-window " + viewer,
            "cell %s %d 1 1 double" % (q(viewer), IDC_FILE_LIST), "screenshot C:\\viewer.bmp",
            "close " + viewer, "wait-gone " + viewer,
            "click %s %d" % (q(dialog), IDC_DONT_SEND), "wait-exit"], lang=locale)
        for page in ("dialog", "about", "viewer"):
            print(prefix.keep_screenshot("C:\\%s.bmp" % page, "%s-%s" % (tag, page)))
    finally:
        prefix.close()
        subprocess.run(["rm", "-rf", template], check=False)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    build, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    for locale in sys.argv[3:] or LOCALES:
        shoot(build, out, locale)
    return 0


if __name__ == "__main__":
    sys.exit(main())
