"""A scripted SMTP peer: it takes one connection and plays a script, one step per line:

  send TEXT    send TEXT (escapes such as \\r\\n decoded) in one piece
  recv         read one line and add it to the transcript
  message      read the mail data up to the line "." and add "<message>"
  drop N       read N bytes, then reset the connection and add "<dropped>"
  close        close the connection in order and add "<closed>"

Further lines received go to the transcript, written when the connection or the peer ends."""

import os
import socket
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_common  # noqa: E402


def play(sock, steps, transcript):
    reader = sock.makefile("rb")

    def line():
        """The next whole line; None once the client has closed or reset the connection."""
        try:
            got = reader.readline()
        except socket.timeout:
            raise
        except OSError:
            return None
        return got[:-1].rstrip(b"\r").decode("latin-1") if got.endswith(b"\n") else None

    for op, arg in steps:
        if op == "send":
            sock.sendall(peer_common.unescape(arg))
        elif op in ("recv", "message"):
            got = line()
            while op == "message" and got not in (".", None):
                got = line()
            transcript.append("<eof>" if got is None else "<message>" if op == "message" else got)
            if got is None:
                return
        elif op in ("drop", "close"):
            if op == "drop":
                try:
                    reader.read(int(arg))
                except OSError:
                    pass
                # Linger 0: the close resets the connection, so the client's
                # next send fails instead of filling buffers nobody reads.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            else:
                sock.shutdown(socket.SHUT_RDWR)
            reader.close()
            sock.close()
            transcript.append("<dropped>" if op == "drop" else "<closed>")
            return
        else:
            raise ValueError("unknown step " + op)
    while (got := line()) is not None:
        transcript.append(got)


def main():
    parser = peer_common.arguments(__doc__)
    parser.add_argument("--script", required=True)
    parser.add_argument("--transcript", required=True)
    args = parser.parse_args()
    with open(args.script, encoding="latin-1") as f:
        steps = [raw.partition(" ")[::2] for raw in f.read().splitlines() if raw]
    listener = peer_common.listen(args, 1)
    listener.settimeout(0.05)
    transcript = []
    try:
        while not peer_common.should_stop(args):
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            # The lifetime bounds a client that waits for a reply forever.
            sock.settimeout(max(1.0, peer_common.seconds_left(args)))
            try:
                play(sock, steps, transcript)
            except socket.timeout:
                transcript.append("<timeout>")
            except OSError as error:
                transcript.append("<error %s>" % error.__class__.__name__)
            finally:
                sock.close()
            break
        peer_common.write_file(args.transcript, "".join(t + "\n" for t in transcript))
        peer_common.wait_for_stop(args)
    finally:
        listener.close()
        peer_common.mark_exited(args)


if __name__ == "__main__":
    main()
