"""aiosmtpd on loopback, storing each mail as mailN.eml (after its dot handling) and mailN.envelope.
It lets AUTH follow HELO, as aiosmtpd offers it only after EHLO; the rest is aiosmtpd's own.
--security starttls refuses AUTH before STARTTLS; tls speaks TLS at once. Verbs go to --commands-log."""

import asyncio
import functools
import logging
import os
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


class HeloAuthSMTP(SMTP):
    commands_log = None

    async def smtp_HELO(self, hostname):
        await super().smtp_HELO(hostname)
        self.session.extended_smtp = True


def logged(verb, inner):
    async def command(self, arg):
        if self.commands_log:
            with open(self.commands_log, "a") as log:
                log.write(verb + "\n")
        return await inner(self, arg)
    return functools.wraps(inner)(command)


for _verb in ("HELO", "EHLO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "QUIT"):
    setattr(HeloAuthSMTP, "smtp_" + _verb, logged(_verb, getattr(HeloAuthSMTP, "smtp_" + _verb)))


class StoringHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "mail%d" % self.count)
        with open(base + ".eml.partial", "wb") as f:
            f.write(envelope.original_content)
        os.replace(base + ".eml.partial", base + ".eml")
        lines = ["login=" + (session.login_data or b"").decode("latin-1"), "mail_from=" + envelope.mail_from]
        peer_common.write_file(base + ".envelope", "".join(line + "\n" for line in lines + [
            "rcpt_to=" + r for r in envelope.rcpt_tos]))
        return "250 OK: message accepted"


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--mail-folder", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--security", choices=("none", "starttls", "tls"), default="none")
    parser.add_argument("--commands-log")
    args = parser.parse_args()
    logging.disable(logging.CRITICAL)
    warnings.simplefilter("ignore")  # AUTH without TLS is what this loopback peer is for
    handler = StoringHandler(args.mail_folder)
    account = (args.user.encode("latin-1"), args.password.encode("latin-1"))

    def authenticator(server, session, envelope, mechanism, auth_data):
        if (auth_data.login, auth_data.password) == account:
            return AuthResult(success=True, auth_data=auth_data)
        return AuthResult(success=False, handled=False)  # aiosmtpd answers 535 itself

    context = peer_common.tls_context(args)
    HeloAuthSMTP.commands_log = args.commands_log
    starttls = args.security == "starttls"

    async def serve():
        server = await asyncio.get_running_loop().create_server(
            # Crash reports with memory dumps run to many megabytes: no size limit.
            lambda: HeloAuthSMTP(handler, hostname="peer.test", authenticator=authenticator,
                                 auth_require_tls=starttls, require_starttls=starttls,
                                 tls_context=context if starttls else None,
                                 auth_required=True, data_size_limit=None),
            host="127.0.0.1", port=args.port, ssl=context if args.security == "tls" else None)
        peer_common.announce(args, server.sockets[0].getsockname()[1])
        while not peer_common.should_stop(args):
            await asyncio.sleep(0.05)
        server.close()

    try:
        asyncio.run(serve())
    finally:
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
