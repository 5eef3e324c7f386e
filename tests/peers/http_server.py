"""The settings server of the mail tests: Python's http.server on loopback,
serving the files of a folder (and its own error page for anything missing),
plus one path whose body is shorter than its Content-Length and one whose
body comes in chunks (HTTP/1.1 chunked transfer coding). Every request's
line and headers are appended to requests.log in the served folder's parent."""

import http.server
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402

SHORT_PATH = "/short-body.txt"
SHORT_DECLARED = 1000
SHORT_SENT = b"SmtpAddr Account Password Sendfrom\r\n" * 2
CHUNKED_PATH = "/chunked.txt"
CHUNKS = [b"smtp.peer.test user ", b"pw from@peer.test\r\n", b"x" * 40000]


class Handler(http.server.SimpleHTTPRequestHandler):
    log_path = None

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        with open(self.log_path, "a", encoding="latin-1") as log:
            log.write(self.requestline + "\n")
            for name, value in self.headers.items():
                log.write("%s: %s\n" % (name, value))
            log.write("\n")
        if self.path == SHORT_PATH:
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(SHORT_DECLARED))
            self.end_headers()
            self.wfile.write(SHORT_SENT)
            self.wfile.flush()
            self.close_connection = True
            return
        if self.path == CHUNKED_PATH:
            self.protocol_version = "HTTP/1.1"
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Transfer-Encoding", "chunked")
            self.send_header("Connection", "close")
            self.end_headers()
            for chunk in CHUNKS:
                self.wfile.write(b"%x;piece\r\n%s\r\n" % (len(chunk), chunk))
            self.wfile.write(b"0\r\n\r\n")
            self.close_connection = True
            return
        super().do_GET()


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--root", required=True)
    args = parser.parse_args()
    started = time.monotonic()
    Handler.log_path = os.path.join(os.path.dirname(os.path.abspath(args.root)), "requests.log")

    def make_handler(*handler_args):
        return Handler(*handler_args, directory=args.root)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05})
    serving.start()
    try:
        peer_common.announce(args, server.server_address[1])
        peer_common.wait_for_stop(args, started)
    finally:
        server.shutdown()
        serving.join()
        server.server_close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
