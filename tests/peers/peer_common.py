"""What every loopback peer of the mail tests shares: it tells the test its
port through a file, and it ends when the test writes the stop file or when
its lifetime is over, whichever comes first, and then leaves an "exited" file
so that a test that cannot wait for the process can wait for that file."""

import argparse
import os
import socket
import time


def arguments(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--port-file", required=True, help="written as 'port closed-port' once listening")
    parser.add_argument("--stop-file", required=True, help="the peer ends when this file appears")
    parser.add_argument("--exited-file", required=True, help="written when the peer has ended")
    parser.add_argument("--lifetime", type=float, default=120.0, help="seconds before the peer ends anyway")
    parser.add_argument("--port", type=int, default=0,
                        help="the loopback port to listen on (0: any free one); a program built with "
                             "loopback endpoints needs its fixed ports")
    return parser


def closed_port():
    """A loopback port on which nothing listens: connecting to it is refused."""
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def write_file(path, text):
    """Writes through a temporary name, so a reader never sees half a file."""
    partial = path + ".partial"
    with open(partial, "w") as f:
        f.write(text)
    os.replace(partial, path)


def announce(args, port):
    write_file(args.port_file, "%d %d\n" % (port, closed_port()))


def should_stop(args, started):
    return os.path.exists(args.stop_file) or time.monotonic() - started > args.lifetime


def wait_for_stop(args, started, poll=0.05):
    while not should_stop(args, started):
        time.sleep(poll)


def mark_exited(args):
    write_file(args.exited_file, "exited\n")
