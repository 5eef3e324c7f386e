#!/bin/sh
# The program's main job on a sample crash report. The Windows program and its
# dialogs arrive with the user interface; until then this builds the tree and
# says so.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
echo "NordaErrorDialog: the dialog program is not part of this build yet."
