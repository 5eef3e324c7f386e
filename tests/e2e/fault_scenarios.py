#!/usr/bin/python3
"""A server that takes the connection and never answers (the program has no
time-out): the report is on disk while it waits, and ending the program loses nothing."""
import configparser
import os
import sys
import threading
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import wait_until  # noqa: E402
from run_e2e import (ARCHIVE, SEND, STALLED, Crash, expect, expect_record,  # noqa: E402
                     expect_report_archive, mail_servers, record_book, run_dialog, run_scenario,
                     settings_port)

# The driver waits for this file before it ends the program: the checks made
# while the program hangs are done by then.
CHECKED = "C:\\checked.txt"
STALL_SECONDS = 25


def report_kept(prefix, crash, failures, when):
    """Failures are collected, not raised, so that the program is always ended."""
    try:
        expect_report_archive(prefix, crash)
        expect_record(prefix, 1, ARCHIVE, "NO", "Crash_20261206")
        expect(not record_book(prefix).has_section("Record0"), "a final record")
    except (OSError, KeyError, zipfile.BadZipFile, configparser.Error, AssertionError) as error:
        failures.append("the report %s: %s" % (when, error))


def send_and_end_while_it_hangs(prefix, received, **servers):
    crash = Crash(prefix)
    failures, outcome = [], {}
    marker = os.path.join(prefix.scratch, STALLED)

    def drive():
        try:
            outcome["out"] = run_dialog(prefix, SEND[:1] + ["wait-file " + CHECKED, "end-program"])
        except AssertionError as error:
            outcome["error"] = str(error)

    with mail_servers(prefix, smtp=None, **servers):
        driver = threading.Thread(target=drive)
        driver.start()
        try:
            if not wait_until(lambda: os.path.exists(marker) or not driver.is_alive(), STALL_SECONDS):
                failures.append("the program never reached the hanging server")
            elif not os.path.exists(marker):
                failures.append("the driver ended before the program reached the hanging server")
            else:
                got = open(marker, "rb").read().decode("utf-8")
                if not got.startswith(received):
                    failures.append("the hanging server got %r, not %r" % (got[:80], received))
                # What the report needs is on disk while the program waits.
                report_kept(prefix, crash, failures, "while waiting")
        finally:
            with open(prefix.unix(CHECKED), "w") as f:
                f.write("checked\n")
            driver.join()

    if "error" in outcome:
        failures.append(outcome["error"])
    elif "exit 1" not in outcome.get("out", []):
        failures.append("the program was not ended by the user:\n" + "\n".join(outcome.get("out", [])))
    # Only a normal end removes the crash files.
    report_kept(prefix, crash, failures, "after the program was ended")
    for key in crash.named:
        if not crash.exists(key) or open(prefix.unix(crash.path(key)), "rb").read() != crash.contents[key]:
            failures.append("crash file %s lost" % crash.path(key))
    if not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")):
        failures.append("the report description is lost")
    if failures:
        raise AssertionError("\n  " + "\n  ".join(failures))


def scenario_settings_server_hangs(prefix):
    send_and_end_while_it_hangs(prefix, "GET /norda+/vozavededavu/CrMailInfo/CrSendInfo.txt HTTP/1.1\r\n",
                                settings=None, stalled=(settings_port(), ["--wait-for", "1"]))


def scenario_mail_server_hangs(prefix):
    hello = "HELO 127.0.0.1\r\n"
    send_and_end_while_it_hangs(prefix, hello, stalled=(os.environ["NORDA_SMTP_PORT"], [
        "--wait-for", str(len(hello)), "--greeting", "220 peer.test ready\\r\\n"]))


if __name__ == "__main__":
    sys.exit(run_scenario(globals(), sys.argv))
