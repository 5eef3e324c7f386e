#!/usr/bin/python3
"""End-to-end scenarios of users whose folders and crash files carry letters
beyond ASCII, as the users of the fifteen languages have them: the real
program under Wine with the user's application data, documents and temporary
folders moved into such a profile, in the system code page of the language.

usage: user_folders.py SCENARIO   (environment as for run_e2e.py)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import rc_caption, rc_text, read_ini, zip_entries  # noqa: E402
from run_e2e import (IDC_DESCRIPTION, IDC_DONT_SEND, IDC_SEND, Crash, expect, expect_cleaned_up,  # noqa: E402
                     expect_equal, mail_servers, run_dialog, run_scenario, scenarios_of, sent_mail)


class Profile:
    """Moves the user's folders into `profile` (e.g. C:\\users\\Jürgen Weiß), as
    Windows keeps them for a user of that name, and runs the program there in
    `locale`, whose code page the system then has."""

    def __init__(self, prefix, profile, locale):
        self.prefix, self.locale = prefix, locale
        self.caption = rc_caption(locale)
        folders = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"
        settings = [(folders, "AppData", profile + "\\AppData\\Roaming"),
                    (folders, "Personal", profile + "\\Documents"),
                    ("HKCU\\Environment", "TEMP", profile + "\\AppData\\Local\\Temp"),
                    ("HKCU\\Environment", "TMP", profile + "\\AppData\\Local\\Temp")]
        for key, name, path in settings:
            os.makedirs(prefix.unix(path), exist_ok=True)
            prefix.wine_env_run(["wine", "reg", "add", key, "/v", name, "/t", "REG_EXPAND_SZ", "/d", path, "/f"],
                                locale)
        # "reg" ran without a display: its Wine session must end before the
        # program's starts, or the program's windows would have no display.
        prefix.wine_env_run(["wineserver", "-k"], locale, check=False)
        prefix.wine_env_run(["wineserver", "-w"], locale, check=False)
        prefix.appdata, prefix.documents, prefix.temp = (prefix.unix(path) for _, _, path in settings[:3])
        prefix.report_folder = os.path.join(prefix.appdata, "CrashReport")
        os.makedirs(prefix.report_folder, exist_ok=True)
        self.report_folder = profile + "\\AppData\\Roaming\\CrashReport"

    def run(self, steps, answers=()):
        """Starts the program, answers its questions, then takes the steps in its dialog."""
        return run_dialog(self.prefix, steps, self.caption, answers, self.locale)

    def archive(self, name):
        return self.report_folder + "\\BugReport\\" + name

    def record_book(self):
        return read_ini(os.path.join(self.prefix.report_folder, "SendRecord.ini"))


def expect_archive(prefix, profile, crash, name, code_page, wanted_names):
    """The archive holds the crash files under the names the code page gives them."""
    entries = zip_entries(prefix.unix(profile.archive(name)), code_page)
    expect_equal(sorted(entries), sorted(wanted_names), "entries of " + name)
    for key in ("LOGFile", "DMPFile"):
        expect(crash.contents[key] in entries.values(), key + " is packed whole")


def scenario_german_folders(prefix):
    # A German system (code page 1252): the profile and the crash files have
    # umlauts and "ß"; one file has a name that the code page cannot hold.
    locale = "de_DE.UTF-8"
    profile = Profile(prefix, "C:\\users\\J\u00fcrgen Wei\u00df", locale)
    documents = "C:\\users\\J\u00fcrgen Wei\u00df\\Documents\\"
    drawing, backup = documents + "Zeichnung \u00d6l.dwg", documents + "Zeichnung \u00d6l.bak"
    for path in (drawing, backup):
        with open(prefix.unix(path), "wb") as f:
            f.write(b"drawing")
    with open(os.path.join(prefix.documents, "TempRecoverInfo.dat"), "wb") as f:
        f.write(b"\xff\xfe" + (backup + "||" + drawing + "&&Y\r\n").encode("utf-16-le"))
    crash = Crash(prefix, folder="C:\\users\\J\u00fcrgen Wei\u00df\\Desktop\\Absturz",
                  names={"LOGFile": "Protokoll_Gr\u00f6\u00dfe.log", "DMPFile": "Speicherabbild \u00e4.dmp"},
                  files_to_add=[("\u65e5\u5fd7.txt", "Protokoll", "Text", b"log\r\n")])
    warning = rc_text(locale, r"IDS_RECOVERY_CAPTION\s+%s")
    out = profile.run(["type DIALOG %d Zeichnung \u00fcberschrieben" % IDC_DESCRIPTION,
                       "click DIALOG %d" % IDC_DONT_SEND], answers=["answer \"%s\" no" % warning])
    boxes = [line for line in out if line.startswith("box: ")]
    expect(len(boxes) == 1 and drawing in boxes[0], "the recovery question names the drawing:\n" + "\n".join(out))
    expect(os.path.exists(prefix.unix(drawing)) and not os.path.exists(prefix.unix(backup)),
           "answered No, the second path is deleted")
    name = "Protokoll_Gr\u00f6\u00dfe.zip"
    expect_archive(prefix, profile, crash, name, "cp1252", [
        "LOGFile_Protokoll_Gr\u00f6\u00dfe.log", "DMPFile_Speicherabbild \u00e4.dmp", "REGFile_registry.reg",
        "OPEN_drawing.dwg", "??.txt", "User.txt"])
    book = profile.record_book()
    expect_equal(dict(book["Record1"]), {"File Name": profile.archive(name), "Send or Not": "NO",
                                         "Email Subject": "Protokoll_Gr\u00f6\u00dfe"}, "the record")
    expect_cleaned_up(prefix, crash)


def scenario_folder_the_code_page_cannot_hold(prefix):
    # A German system whose user's name is Cyrillic: no path of the report can
    # be written in code page 1252. The mail still carries the whole archive,
    # under the name the code page gives it.
    profile = Profile(prefix, "C:\\users\\\u0418\u0432\u0430\u043d", "de_DE.UTF-8")
    crash = Crash(prefix, folder="C:\\users\\\u0418\u0432\u0430\u043d\\Desktop", subject="Absturz beim Plotten")
    with mail_servers(prefix) as mail:
        profile.run(["type DIALOG %d Beim Plotten" % IDC_DESCRIPTION, "click DIALOG %d" % IDC_SEND,
                     "answer NordaErrorDialog ok"])
    archive = profile.archive("Crash_20261206.zip")
    raw = sent_mail(mail, prefix.unix(archive))[0]
    expect(b"Content-Disposition:attachment;FileName=Crash_20261206.zip\r\n" in raw, "the attachment's name")
    # A new record book is a profile file in the system's code page, as the
    # system's profile functions write one: the letters it lacks become "?".
    expect_equal(profile.record_book()["Record0"]["File Name"], archive.encode("cp1252", "replace").decode("cp1252"),
                 "the final record")
    expect_equal(profile.record_book()["Record0"]["Send or Not"], "YES", "the final record")
    expect_cleaned_up(prefix, crash)


def scenario_japanese_folders(prefix):
    # A Japanese system (code page 932, two bytes for most characters): in
    # "表示", "能" and "ソ" the second byte is 0x5C, the byte of "\".
    profile = Profile(prefix, "C:\\users\\\u7530\u4e2d", "ja_JP.UTF-8")
    log = "\u80fd\u529b\u30bd.log"
    crash = Crash(prefix, folder="C:\\users\\\u7530\u4e2d\\Desktop\\\u8868\u793a", subject="\u8868\u793a",
                  names={"LOGFile": log, "DMPFile": "\u8868\u793a.dmp"},
                  files_to_add=[("\ud55c\uae00.txt", "Korean", "Text", b"kr\r\n")])
    with mail_servers(prefix) as mail:
        profile.run(["click DIALOG %d" % IDC_SEND, "answer NordaErrorDialog ok"])
    name = "\u80fd\u529b\u30bd.zip"
    expect_archive(prefix, profile, crash, name, "cp932", [
        "LOGFile_" + log, "DMPFile_\u8868\u793a.dmp", "REGFile_registry.reg", "OPEN_drawing.dwg", "??.txt"])
    raw = sent_mail(mail, prefix.unix(profile.archive(name)))[0]
    expect(b"Subject:" + "\u8868\u793a".encode("cp932") + b"\r\n" in raw, "the subject in code page 932")
    expect(b";FileName=" + name.encode("cp932") + b"\r\n" in raw, "the attachment's name in code page 932")
    expect_equal(profile.record_book()["Record0"]["Send or Not"], "YES", "the final record")
    expect_cleaned_up(prefix, crash)


if __name__ == "__main__":
    sys.exit(run_scenario(scenarios_of(globals()), sys.argv))
