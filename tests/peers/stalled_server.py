"""A server that stops answering: it accepts connections on loopback, sends
an optional greeting, then reads whatever the client sends and never replies,
until it is stopped. Stands for a settings server or a mail server that hangs.

When a connection has sent at least --wait-for bytes (0: as soon as it is
accepted), the bytes received so far are written to the --stalled-file, so
that a test knows that its client is now waiting on this server."""

import os
import select
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--stalled-file", required=True)
    parser.add_argument("--greeting", default="", help="sent on accepting (escapes such as \\r\\n decoded)")
    parser.add_argument("--wait-for", type=int, default=0)
    args = parser.parse_args()
    started = time.monotonic()
    greeting = args.greeting.encode("latin-1").decode("unicode_escape").encode("latin-1")

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(4)
    peer_common.announce(args, listener.getsockname()[1])
    connections = {}  # socket -> bytes received
    marked = False
    try:
        while not peer_common.should_stop(args, started):
            readable, _, _ = select.select([listener] + list(connections), [], [], 0.05)
            for sock in readable:
                if sock is listener:
                    client, _ = listener.accept()
                    if greeting:
                        client.sendall(greeting)
                    connections[client] = b""
                    continue
                try:
                    data = sock.recv(65536)
                except OSError:
                    data = b""
                if not data:
                    # The client gave up: nothing more to hold.
                    del connections[sock]
                    sock.close()
                    continue
                connections[sock] += data
            if not marked:
                for received in connections.values():
                    if len(received) >= args.wait_for:
                        peer_common.write_file(args.stalled_file, received.decode("latin-1"))
                        marked = True
                        break
    finally:
        for sock in connections:
            sock.close()
        listener.close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
