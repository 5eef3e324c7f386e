"""What every loopback peer shares: its port goes to a file; it ends on the stop file or its lifetime,
leaving an "exited" file for a test that cannot wait for the process."""

import argparse
import os
import socket
import ssl
import time

STARTED = time.monotonic()


def arguments(description):
    parser = argparse.ArgumentParser(description=description)
    for name in ("--port-file", "--stop-file", "--exited-file"):
        parser.add_argument(name, required=True)
    parser.add_argument("--lifetime", type=float, default=120.0, help="seconds before the peer ends anyway")
    parser.add_argument("--port", type=int, default=0,
                        help="the loopback port (0: any free one); the program's test builds have fixed ones")
    parser.add_argument("--tls-cert", help="with --tls-key: a server that speaks TLS, where it can")
    parser.add_argument("--tls-key")
    return parser


def tls_context(parser_args):
    """The server side of TLS with --tls-cert and --tls-key; None without them."""
    if not parser_args.tls_cert:
        return None
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(parser_args.tls_cert, parser_args.tls_key)
    return context


def unescape(text):
    """A text given with escapes such as \\r\\n, as bytes."""
    return text.encode("latin-1").decode("unicode_escape").encode("latin-1")


def write_file(path, text):
    """Writes through a temporary name, so a reader never sees half a file."""
    with open(path + ".partial", "w") as f:
        f.write(text)
    os.replace(path + ".partial", path)


def announce(args, port):
    write_file(args.port_file, "%d\n" % port)


def listen(args, backlog):
    """A listening socket on the loopback port, announced."""
    listener = socket.socket()
    # A fixed port is taken again at once, although a connection that a peer
    # closed before may still linger on it.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(backlog)
    announce(args, listener.getsockname()[1])
    return listener


def seconds_left(args):
    return args.lifetime - (time.monotonic() - STARTED)


def should_stop(args):
    return os.path.exists(args.stop_file) or seconds_left(args) < 0


def wait_for_stop(args):
    while not should_stop(args):
        time.sleep(0.05)


def mark_exited(args):
    write_file(args.exited_file, "exited\n")
