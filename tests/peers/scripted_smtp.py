"""A scripted SMTP peer for the faulty-server cases: it takes one connection
and plays a script, one step per line:

  send TEXT    send TEXT (escapes such as \\r\\n are decoded) in one piece
  recv         read one line and add it to the transcript
  message      read the mail data up to the line "." and add "<message>"
  drop N       read N bytes, then reset the connection and add "<dropped>"
  close        close the connection in order (the client reads its end) and
               add "<closed>"

After the script it adds every further line it receives until the client
closes the connection. The transcript, one entry per line, is written when
the connection has ended, or when the peer is stopped without one."""

import os
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


class Connection:
    def __init__(self, sock):
        self.sock = sock
        self.buffered = b""
        self.closed = False

    def fill(self):
        try:
            data = self.sock.recv(65536)
        except socket.timeout:
            raise
        except OSError:
            data = b""
        if not data:
            self.closed = True
        self.buffered += data
        return bool(data)

    def line(self):
        while b"\n" not in self.buffered:
            if self.closed or not self.fill():
                return None
        line, _, self.buffered = self.buffered.partition(b"\n")
        return line.rstrip(b"\r").decode("latin-1")

    def skip(self, count):
        while len(self.buffered) < count and not self.closed and self.fill():
            pass
        self.buffered = self.buffered[count:]


def run(conn, steps, transcript):
    for op, arg in steps:
        if op == "send":
            conn.sock.sendall(arg.encode("latin-1").decode("unicode_escape").encode("latin-1"))
        elif op == "recv":
            line = conn.line()
            if line is None:
                transcript.append("<eof>")
                return
            transcript.append(line)
        elif op == "message":
            while True:
                line = conn.line()
                if line is None:
                    transcript.append("<eof>")
                    return
                if line == ".":
                    transcript.append("<message>")
                    break
        elif op == "drop":
            conn.skip(int(arg))
            # Linger 0: the close resets the connection, so the client's next
            # send fails instead of filling buffers nobody reads.
            conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.sock.close()
            transcript.append("<dropped>")
            return
        elif op == "close":
            conn.sock.shutdown(socket.SHUT_RDWR)
            conn.sock.close()
            transcript.append("<closed>")
            return
        else:
            raise ValueError("unknown step " + op)
    while True:
        line = conn.line()
        if line is None:
            return
        transcript.append(line)


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--script", required=True)
    parser.add_argument("--transcript", required=True)
    args = parser.parse_args()
    started = time.monotonic()
    steps = []
    with open(args.script, encoding="latin-1") as f:
        for raw in f.read().splitlines():
            if raw:
                op, _, arg = raw.partition(" ")
                steps.append((op, arg))

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    # A fixed port is taken again at once, although a connection that this
    # peer closed may still linger on it.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(1)
    listener.settimeout(0.05)
    peer_common.announce(args, listener.getsockname()[1])
    transcript = []
    try:
        while not peer_common.should_stop(args, started):
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            # The lifetime bounds a client that waits for a reply forever.
            sock.settimeout(max(1.0, args.lifetime - (time.monotonic() - started)))
            try:
                run(Connection(sock), steps, transcript)
            except socket.timeout:
                transcript.append("<timeout>")
            except OSError as error:
                transcript.append("<error %s>" % error.__class__.__name__)
            finally:
                sock.close()
            break
        peer_common.write_file(args.transcript, "".join(t + "\n" for t in transcript))
        peer_common.wait_for_stop(args, started)
    finally:
        listener.close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
