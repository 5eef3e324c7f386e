#!/bin/sh
# The program's main job on embedded local defaults: builds what it runs (the
# x86_64 program, the UI driver and a sample NORDA.EXE with version
# information), prepares a sample crash report as the CAD application would,
# starts a settings server and a mail server on loopback, runs
# NordaErrorDialog.exe under Wine (headless under Xvfb when there is no
# display, pressing "Send Error Report" itself) and shows the mail that arrived.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
NORDA_BUILDS=win64 NORDA_TARGETS="NordaErrorDialog ui_driver version_full" "$root/scripts/build.sh"
exec /usr/bin/python3 "$root/scripts/demo.py"
