"""A server that hangs: it sends an optional greeting, then reads and never replies. Once a
connection has sent --wait-for bytes, they go to the --stalled-file: the client now waits on it."""

import os
import select
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--stalled-file", required=True)
    parser.add_argument("--greeting", default="", help="sent on accepting (escapes such as \\r\\n decoded)")
    parser.add_argument("--wait-for", type=int, default=0)
    args = parser.parse_args()
    listener = peer_common.listen(args, 4)
    received = {}  # socket -> bytes received
    try:
        while not peer_common.should_stop(args):
            readable, _, _ = select.select([listener] + list(received), [], [], 0.05)
            for sock in readable:
                if sock is listener:
                    client, _ = listener.accept()
                    client.sendall(peer_common.unescape(args.greeting))
                    received[client] = b""
                    continue
                try:
                    data = sock.recv(65536)
                except OSError:
                    data = b""
                if data:
                    received[sock] += data
                else:  # the client gave up: nothing more to hold
                    del received[sock]
                    sock.close()
            waiting = [data for data in received.values() if len(data) >= args.wait_for]
            if waiting and not os.path.exists(args.stalled_file):
                peer_common.write_file(args.stalled_file, waiting[0].decode("latin-1"))
    finally:
        for sock in received:
            sock.close()
        listener.close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
