#!/usr/bin/python3
"""Users whose folders and crash files carry letters beyond ASCII, in their system code page."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import rc_string, write, write_utf16  # noqa: E402
from run_e2e import (DONT_SEND, IDC_DESCRIPTION, SEND, Crash, expect, expect_cleaned_up,  # noqa: E402
                     expect_record, expect_report_archive, expect_sent, mail_servers, run_dialog,
                     run_scenario, said)


def use_profile(prefix, profile, locale):
    """The user's folders moved into `profile`, the system in `locale` and its code page."""
    prefix.lang = locale
    folders = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"
    settings = [(folders, "AppData", profile + "\\AppData\\Roaming"),
                (folders, "Personal", profile + "\\Documents"),
                ("HKCU\\Environment", "TEMP", profile + "\\AppData\\Local\\Temp"),
                ("HKCU\\Environment", "TMP", profile + "\\AppData\\Local\\Temp")]
    for key, name, path in settings:
        os.makedirs(prefix.unix(path), exist_ok=True)
        prefix.wine_env_run(["wine", "reg", "add", key, "/v", name, "/t", "REG_EXPAND_SZ", "/d", path, "/f"])
    # "reg" ran without a display: its Wine session must end before the
    # program's starts, or the program's windows would have no display.
    prefix.wine_env_run(["wineserver", "-k"], check=False)
    prefix.wine_env_run(["wineserver", "-w"], check=False)
    prefix.appdata, prefix.documents, prefix.temp = (prefix.unix(path) for _, _, path in settings[:3])
    prefix.report_windows = profile + "\\AppData\\Roaming\\CrashReport"
    prefix.report_folder = prefix.unix(prefix.report_windows)
    os.makedirs(prefix.report_folder, exist_ok=True)


def scenario_german_folders(prefix):
    # A German system (code page 1252): the profile and the crash files have
    # umlauts and "ß"; one file has a name that the code page cannot hold.
    use_profile(prefix, "C:\\users\\J\u00fcrgen Wei\u00df", "de_DE.UTF-8")
    documents = "C:\\users\\J\u00fcrgen Wei\u00df\\Documents\\"
    drawing, backup = documents + "Zeichnung \u00d6l.dwg", documents + "Zeichnung \u00d6l.bak"
    for path in (drawing, backup):
        write(prefix.unix(path), b"drawing")
    write_utf16(os.path.join(prefix.documents, "TempRecoverInfo.dat"), backup + "||" + drawing + "&&Y\n")
    crash = Crash(prefix, folder="C:\\users\\J\u00fcrgen Wei\u00df\\Desktop\\Absturz",
                  LOGFile="Protokoll_Gr\u00f6\u00dfe.log", DMPFile="Speicherabbild \u00e4.dmp",
                  files_to_add=[("\u65e5\u5fd7.txt", "Protokoll", "Text", b"log\r\n")])
    warning = rc_string("IDS_RECOVERY_CAPTION", prefix.lang)
    description = "Zeichnung \u00fcberschrieben"
    out = run_dialog(prefix, ["type DIALOG %d %s" % (IDC_DESCRIPTION, description), DONT_SEND],
                     answers=["answer \"%s\" no" % warning])
    expect(len(said(out, "box: ")) == 1 and drawing in said(out, "box: ")[0],
           "the recovery question names the drawing:\n" + "\n".join(out))
    expect(os.path.exists(prefix.unix(drawing)) and not os.path.exists(prefix.unix(backup)),
           "answered No, the second path is deleted")
    name = "Protokoll_Gr\u00f6\u00dfe.zip"
    user = {"User.txt": description.encode("utf-16-le") + b"\0\0"}
    expect_report_archive(prefix, crash, name, user, "cp1252")
    expect_record(prefix, 1, name, "NO", "Protokoll_Gr\u00f6\u00dfe")
    expect_cleaned_up(prefix, crash)


def scenario_folder_the_code_page_cannot_hold(prefix):
    # A German system whose user's name is Cyrillic: no path of the report can
    # be written in code page 1252. The mail still carries the whole archive,
    # under the name the code page gives it.
    use_profile(prefix, "C:\\users\\\u0418\u0432\u0430\u043d", "de_DE.UTF-8")
    crash = Crash(prefix, folder="C:\\users\\\u0418\u0432\u0430\u043d\\Desktop",
                  subject="Absturz beim Plotten")
    with mail_servers(prefix) as mail:
        out = run_dialog(prefix, ["type DIALOG %d Beim Plotten" % IDC_DESCRIPTION] + SEND)
    raw = expect_sent(prefix, crash, out, mail)[0]
    expect(b"Content-Disposition:attachment;FileName=Crash_20261206.zip\r\n" in raw, "the attachment's name")
    # A new record book is a profile file in the system's code page, as the
    # system's profile functions write one: the letters it lacks become "?".
    expect_record(prefix, 0, "Crash_20261206.zip", "YES")


def scenario_japanese_folders(prefix):
    # A Japanese system (code page 932, two bytes for most characters): in
    # "表示", "能" and "ソ" the second byte is 0x5C, the byte of "\".
    use_profile(prefix, "C:\\users\\\u7530\u4e2d", "ja_JP.UTF-8")
    log, name = "\u80fd\u529b\u30bd.log", "\u80fd\u529b\u30bd.zip"
    crash = Crash(prefix, folder="C:\\users\\\u7530\u4e2d\\Desktop\\\u8868\u793a", subject="\u8868\u793a",
                  LOGFile=log, DMPFile="\u8868\u793a.dmp",
                  files_to_add=[("\ud55c\uae00.txt", "Korean", "Text", b"kr\r\n")])
    with mail_servers(prefix) as mail:
        out = run_dialog(prefix, SEND)
    expect_report_archive(prefix, crash, name, code_page="cp932")
    raw = expect_sent(prefix, crash, out, mail, name)[0]
    expect(b"Subject:" + "\u8868\u793a".encode("cp932") + b"\r\n" in raw, "the subject in code page 932")
    expect(b";FileName=" + name.encode("cp932") + b"\r\n" in raw, "the attachment's name in code page 932")


if __name__ == "__main__":
    sys.exit(run_scenario(globals(), sys.argv))
