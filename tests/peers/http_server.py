"""The settings server: http.server serving --root, plus /short-body.txt, shorter than its
Content-Length; requests go to requests.log beside the root."""

import http.server
import os
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


class Handler(http.server.SimpleHTTPRequestHandler):
    log_path = None

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        with open(self.log_path, "a", encoding="latin-1") as log:
            log.write(self.requestline + "\n" + "".join("%s: %s\n" % h for h in self.headers.items()) + "\n")
        if self.path != "/short-body.txt":
            return super().do_GET()
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", "1000")
        self.end_headers()
        self.wfile.write(b"SmtpAddr Account Password Sendfrom\r\n" * 2)


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--root", required=True)
    args = parser.parse_args()
    Handler.log_path = os.path.join(os.path.dirname(os.path.abspath(args.root)), "requests.log")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port),
                                             lambda *a: Handler(*a, directory=args.root))
    context = peer_common.tls_context(args)
    if context:
        # The handshake runs in each request's thread, so a failed one ends only that request.
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
        server.handle_error = lambda *_: None  # a refused handshake is what some tests make
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}).start()
    try:
        peer_common.announce(args, server.server_address[1])
        peer_common.wait_for_stop(args)
    finally:
        server.shutdown()
        server.server_close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
