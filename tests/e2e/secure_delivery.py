#!/usr/bin/python3
"""The real program built with secure delivery (STARTTLS or TLS from the first
byte, settings over https://, the test server certificate pinned, a network
time-out) under Wine, against aiosmtpd and http.server secured with the
certificates of tests/peers/make_certs.sh: a mail arrives whole; a mail server
with a certificate that is not the pinned one, or without STARTTLS, gets no
AUTH, and the report stays on disk recorded "NO"; a mail server that never
answers ends in message 1592 after about the time-out.

usage: secure_delivery.py SCENARIO   (environment as run_e2e.py, and
                                      NORDA_TLS_CERTS, NORDA_NETWORK_TIMEOUT_S)
"""
import email
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import Peer, read_ini  # noqa: E402
from run_e2e import (DIALOG, IDC_DESCRIPTION, IDC_SEND, Crash, archive_path, expect,  # noqa: E402
                     expect_cleaned_up, expect_equal, expect_report_archive, run_scenario, send_log,
                     settings_server)

CERTS = os.environ.get("NORDA_TLS_CERTS", "")
TIMEOUT = int(os.environ.get("NORDA_NETWORK_TIMEOUT_S") or 0)


def tls_files(name):
    """The server options of a certificate: "server" is the pinned one, "self"
    a self-signed one for the same names."""
    return ["--tls-cert", os.path.join(CERTS, name + ".pem"), "--tls-key", os.path.join(CERTS, name + ".key")]


def send(prefix, smtp, smtp_cert="server", settings_cert="server", screenshot=None):
    """Presses Send with the settings server on https:// and a mail server of
    the kind `smtp` (none, starttls, tls, or silent: accepts, never answers)."""
    crash = Crash(prefix, subject="Crash 12")
    mail = os.path.join(prefix.scratch, "mail")
    os.makedirs(mail)
    commands = os.path.join(prefix.scratch, "commands.log")
    accepted = os.path.join(prefix.scratch, "accepted")
    port = os.environ["NORDA_SMTP_PORT"]
    peers = [settings_server(prefix, tls_files(settings_cert))]
    if smtp == "silent":
        peers.append(Peer("stalled_server.py", ["--stalled-file", accepted, "--port", port], prefix.scratch))
    else:
        peers.append(Peer("smtp_server.py", ["--mail-folder", mail, "--user", "report.sender", "--password",
                                             "s3cret", "--port", port, "--security", smtp, "--commands-log",
                                             commands] + tls_files(smtp_cert), prefix.scratch))
    shot = ["wait-window NordaErrorDialog", "screenshot C:\\box.bmp"] if screenshot else []
    try:
        out = prefix.drive([
            "start C:\\NORDA\\NordaErrorDialog.exe", "wait-window " + DIALOG,
            "type \"%s\" %d It crashed while I was printing." % (DIALOG, IDC_DESCRIPTION),
            "click \"%s\" %d" % (DIALOG, IDC_SEND)] + shot + ["answer NordaErrorDialog ok", "wait-exit"])
        ended = time.time()
    finally:
        for peer in peers:
            peer.stop()
    if screenshot:
        prefix.keep_screenshot("C:\\box.bmp", screenshot)
    verbs = open(commands).read().split() if os.path.exists(commands) else []
    return crash, out, mail, verbs, (ended - os.path.getmtime(accepted)) if smtp == "silent" else None


def expect_delivered(prefix, smtp):
    crash, out, mail, verbs, _ = send(prefix, smtp)
    expect("box: Error Report successfully sent. \\r\\nThank you." in out, "message 1593:\n" + "\n".join(out))
    if smtp == "starttls":
        expect_equal(verbs[:4], ["EHLO", "STARTTLS", "EHLO", "AUTH"], "the server's first commands")
    expect_report_archive(prefix, crash, "Crash_20261206.zip")
    with open(os.path.join(mail, "mail1.eml"), "rb") as f:
        message = email.message_from_binary_file(f)
    expect_equal(message["Subject"], "Crash 12", "subject")
    with open(archive_path(prefix, "Crash_20261206.zip"), "rb") as f:
        expect(message.get_payload()[1].get_payload(decode=True) == f.read(), "the attachment is the archive")
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal(book["Record0"]["Send or Not"], "YES", "final record")
    expect_cleaned_up(prefix, crash)


def expect_not_sent(prefix, smtp, tag, **servers):
    crash, out, mail, verbs, waited = send(prefix, smtp, **servers)
    boxes = [line for line in out if line.startswith("box: ")]
    expect(len(boxes) == 1 and "was not sent" in boxes[0], "message 1592:\n" + "\n".join(out))
    expect("AUTH" not in verbs and os.listdir(mail) == [], "the server got no AUTH and no mail: %s" % verbs)
    numbered = prefix.windows_user_path("AppData", "Roaming", "CrashReport", "BugReport",
                                        "Crash_202612060.zip")
    expect(os.path.exists(archive_path(prefix, "Crash_202612060.zip")), "the report stays on disk")
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal((book["Record2"]["File Name"], book["Record2"]["Send or Not"]), (numbered, "NO"),
                 "the unsent report's record")
    log = send_log(prefix)
    expect(tag in log and log[-2] == "SendCrFailed!", "log has %s:\n%s" % (tag, "\n".join(log)))
    expect(not any("s3cret" in line for line in log), "the password is masked:\n" + "\n".join(log))
    expect_cleaned_up(prefix, crash)
    return waited


def scenario_starttls_delivered(prefix):
    expect_delivered(prefix, "starttls")


def scenario_tls_delivered(prefix):
    expect_delivered(prefix, "tls")


def scenario_starttls_not_offered(prefix):
    expect_not_sent(prefix, "none", "StartTlsNotOffered!")


def scenario_certificate_not_pinned(prefix):
    expect_not_sent(prefix, "starttls", "TlsCertificateRejected!", smtp_cert="self")


def scenario_certificate_not_pinned_tls(prefix):
    expect_not_sent(prefix, "tls", "TlsCertificateRejected!", smtp_cert="self")


def scenario_settings_certificate_not_pinned(prefix):
    expect_not_sent(prefix, "starttls", "InetOpenUrlSecurityFailed!", settings_cert="self")


def scenario_mail_server_silent(prefix):
    waited = expect_not_sent(prefix, "silent", "SmtpReceiveTimedOut!", screenshot="secure-1592")
    # From the accepted connection to the program's end: the time-out, the
    # failure archive and the answered message box.
    expect(TIMEOUT - 1 <= waited <= TIMEOUT + 20, "ended %.1f s after the connection" % waited)


if __name__ == "__main__":
    sys.exit(run_scenario({name[len("scenario_"):]: f for name, f in globals().items()
                           if name.startswith("scenario_")}, sys.argv))
