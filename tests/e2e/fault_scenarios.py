#!/usr/bin/python3
"""The real program under Wine when a server hangs: the user presses "Send
Error Report", the settings server or the mail server takes the connection
and never answers, and the program waits on it, as it is meant to (it has no
time-out). While it waits, the report's archive and its "NO" record must
already be on disk; the user then ends the program, and nothing is lost: the
archive and the record stay, and so do the crash files, as the program never
came to clean them up.

usage: fault_scenarios.py SCENARIO   (environment: NORDA_WINE_TEMPLATE,
       NORDA_BINARY_DIR, NORDA_SOURCE_DIR, NORDA_SETTINGS_BASE_URL, NORDA_SMTP_PORT)
"""
import os
import sys
import threading
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import Peer, read_ini, wait_until  # noqa: E402
from run_e2e import (IDC_SEND, Crash, expect_report_archive, run_dialog, run_scenario,  # noqa: E402
                     scenarios_of, settings_server)

# The driver waits for this file before it ends the program: the checks made
# while the program hangs are done by then.
CHECKED = "C:\\checked.txt"
STALL_SECONDS = 25


def hanging_server(prefix, port, wait_for, greeting=""):
    marker = os.path.join(prefix.scratch, "stalled.txt")
    peer = Peer("stalled_server.py", ["--stalled-file", marker, "--wait-for", str(wait_for), "--greeting", greeting,
                                      "--port", port], prefix.scratch)
    return peer, marker


def read(path):
    with open(path, "rb") as f:
        return f.read()


def report_kept(prefix, crash, failures, when):
    """The archive whole and its record "NO"; failures are collected, not raised,
    so that the program is always ended."""
    try:
        expect_report_archive(prefix, crash, "Crash_20261206.zip")
    except (OSError, zipfile.BadZipFile, AssertionError) as error:
        failures.append("the archive %s: %s" % (when, error))
    book = os.path.join(prefix.report_folder, "SendRecord.ini")
    records = read_ini(book) if os.path.exists(book) else None
    archive = prefix.windows_user_path("AppData", "Roaming", "CrashReport", "BugReport", "Crash_20261206.zip")
    if records is None or dict(records["Record1"] if "Record1" in records else {}) != {
            "File Name": archive, "Send or Not": "NO", "Email Subject": "Crash_20261206"}:
        failures.append("no record of the unsent report %s" % when)
    elif records.has_section("Record0"):
        failures.append("a final record %s" % when)


def send_and_end_while_it_hangs(prefix, peers, marker, received):
    """Presses Send, checks the disk while the program waits on the hanging
    server, then ends the program; fails with every check that did not hold."""
    crash = Crash(prefix)
    failures = []
    outcome = {}

    def drive():
        try:
            outcome["out"] = run_dialog(prefix, ["click DIALOG %d" % IDC_SEND, "wait-file " + CHECKED,
                                                 "end-program"])
        except AssertionError as error:
            outcome["error"] = str(error)

    driver = threading.Thread(target=drive)
    driver.start()
    try:
        if not wait_until(lambda: os.path.exists(marker) or not driver.is_alive(), STALL_SECONDS):
            failures.append("the program never reached the hanging server")
        elif not os.path.exists(marker):
            failures.append("the driver ended before the program reached the hanging server")
        else:
            got = read(marker).decode("utf-8")
            if not got.startswith(received):
                failures.append("the hanging server got %r, not %r" % (got[:80], received))
            # What the report needs is on disk while the program waits.
            report_kept(prefix, crash, failures, "while waiting")
    finally:
        with open(prefix.unix(CHECKED), "w") as f:
            f.write("checked\n")
        driver.join()
        for peer in peers:
            peer.stop()

    if "error" in outcome:
        failures.append(outcome["error"])
    elif "exit 1" not in outcome.get("out", []):
        failures.append("the program was not ended by the user:\n" + "\n".join(outcome.get("out", [])))
    # Ending the program loses nothing: the archive and its record stay, and
    # the crash files, which only a normal end removes, are still there.
    report_kept(prefix, crash, failures, "after the program was ended")
    for key in crash.named:
        if not crash.exists(key) or read(prefix.unix(crash.path(key))) != crash.contents[key]:
            failures.append("crash file %s lost" % crash.path(key))
    if not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")):
        failures.append("the report description is lost")
    if failures:
        raise AssertionError("\n  " + "\n  ".join(failures))


def scenario_settings_server_hangs(prefix):
    peer, marker = hanging_server(prefix, os.environ["NORDA_SETTINGS_BASE_URL"].rsplit(":", 1)[1], 1)
    send_and_end_while_it_hangs(prefix, [peer], marker,
                                "GET /norda+/vozavededavu/CrMailInfo/CrSendInfo.txt HTTP/1.1\r\n")


def scenario_mail_server_hangs(prefix):
    peers = [settings_server(prefix)]
    peer, marker = hanging_server(prefix, os.environ["NORDA_SMTP_PORT"], len("HELO 127.0.0.1\r\n"),
                                  "220 peer.test ready\\r\\n")
    send_and_end_while_it_hangs(prefix, peers + [peer], marker, "HELO 127.0.0.1\r\n")


if __name__ == "__main__":
    sys.exit(run_scenario(scenarios_of(globals()), sys.argv))
