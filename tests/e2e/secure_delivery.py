#!/usr/bin/python3
"""The program built with secure delivery against secured peers (tests/cmake/secure_delivery.cmake).
(environment as run_e2e.py's, and NORDA_TLS_CERTS, NORDA_NETWORK_TIMEOUT_S)"""
import functools
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_e2e import (IDC_DESCRIPTION, SEND, STALLED, Crash, expect, expect_equal,  # noqa: E402
                     expect_not_sent, expect_sent, mail_servers, run_dialog, run_scenario, send_log)

CERTS = os.environ.get("NORDA_TLS_CERTS", "")
TIMEOUT = int(os.environ.get("NORDA_NETWORK_TIMEOUT_S") or 0)


def tls_files(name):
    """"server": the pinned certificate; "self": a self-signed one for the same names."""
    return ["--tls-cert", os.path.join(CERTS, name + ".pem"), "--tls-key", os.path.join(CERTS, name + ".key")]


def send(prefix, smtp, smtp_cert="server", settings_cert="server", screenshot=None):
    """Send against a mail server `smtp` (none, starttls, tls, or silent: never answers); returns
    the crash, the output, the mail folder, the server's commands and a silent one's wait."""
    crash = Crash(prefix, subject="Crash 12")
    commands = os.path.join(prefix.scratch, "commands.log")
    silent = smtp == "silent"
    mail_server = None if silent else ["--security", smtp, "--commands-log", commands] + tls_files(smtp_cert)
    shot = ["wait-window NordaErrorDialog", "screenshot C:\\box.bmp"] if screenshot else []
    with mail_servers(prefix, settings=tls_files(settings_cert), smtp=mail_server,
                      stalled=(os.environ["NORDA_SMTP_PORT"], []) if silent else None) as mail:
        out = run_dialog(prefix, ["type DIALOG %d It crashed while I was printing." % IDC_DESCRIPTION]
                         + SEND[:1] + shot + SEND[1:])
        ended = time.time()
    if screenshot:
        prefix.keep_screenshot("C:\\box.bmp", screenshot)
    verbs = open(commands).read().split() if os.path.exists(commands) else []
    waited = ended - os.path.getmtime(os.path.join(prefix.scratch, STALLED)) if silent else None
    return crash, out, mail, verbs, waited


def expect_delivered(prefix, smtp):
    crash, out, mail, verbs, _ = send(prefix, smtp)
    expect_sent(prefix, crash, out, mail)
    if smtp == "starttls":
        expect_equal(verbs[:4], ["EHLO", "STARTTLS", "EHLO", "AUTH"], "the server's first commands")


def expect_refused(prefix, smtp, tag, **servers):
    crash, out, mail, verbs, waited = send(prefix, smtp, **servers)
    expect("AUTH" not in verbs and os.listdir(mail) == [], "the server got no AUTH and no mail: %s" % verbs)
    expect_not_sent(prefix, crash, out, tag)
    expect(not any("s3cret" in line for line in send_log(prefix)), "the password is masked")
    return waited


scenario_starttls_delivered = functools.partial(expect_delivered, smtp="starttls")
scenario_tls_delivered = functools.partial(expect_delivered, smtp="tls")
scenario_starttls_not_offered = functools.partial(expect_refused, smtp="none", tag="StartTlsNotOffered!")
scenario_certificate_not_pinned = functools.partial(
    expect_refused, smtp="starttls", tag="TlsCertificateRejected!", smtp_cert="self")
scenario_certificate_not_pinned_tls = functools.partial(
    expect_refused, smtp="tls", tag="TlsCertificateRejected!", smtp_cert="self")
scenario_settings_certificate_not_pinned = functools.partial(
    expect_refused, smtp="starttls", tag="InetOpenUrlSecurityFailed!", settings_cert="self")


def scenario_mail_server_silent(prefix):
    waited = expect_refused(prefix, "silent", "SmtpReceiveTimedOut!", screenshot="secure-1592")
    # From the accepted connection to the program's end: the time-out, the
    # failure archive and the answered message box.
    expect(TIMEOUT - 1 <= waited <= TIMEOUT + 20, "ended %.1f s after the connection" % waited)


if __name__ == "__main__":
    sys.exit(run_scenario(globals(), sys.argv))
