#!/bin/sh
# Runs one Windows program under Wine on a virtual X display, in a private copy
# of the template prefix, and passes on its output and exit code.
#
# Wine's helper processes inherit the first program's standard handles and keep
# them open, so the program writes into files and we wait for the program
# itself, then stop the prefix's server, then print the files.
#
# NORDA_WINE_TEMPLATE  the template prefix (required)
# NORDA_KEEP_DIR       if set, the scratch folder (prefix, home) is kept there
set -u
template=${NORDA_WINE_TEMPLATE:?NORDA_WINE_TEMPLATE is not set}
if [ ! -d "$template/drive_c" ]; then
  echo "run-in-prefix: no template prefix at $template" >&2
  exit 125
fi
scratch=$(mktemp -d /tmp/norda-wine.XXXXXX)
cp -a "$template" "$scratch/prefix"
mkdir -p "$scratch/home"
export WINEPREFIX="$scratch/prefix" HOME="$scratch/home"
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Tests find their prefix through this variable to place files as the CAD
# application would.
export NORDA_WINEPREFIX="$WINEPREFIX"

# The test programs are x86_64: the 64-bit loader starts them directly (plain
# "wine" would go through the 32-bit loader first where 32-bit Wine is
# installed, and that one may be emulated).
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
xvfb-run -a -s "-screen 0 1024x768x24" "$wine64" "$@" >"$scratch/stdout" 2>"$scratch/stderr" </dev/null
rc=$?
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
cat "$scratch/stdout"
grep -v -e '^[0-9a-f]*:\(err\|fixme\)' -e 'wine: ' "$scratch/stderr" >&2
if [ -n "${NORDA_KEEP_DIR:-}" ]; then
  mkdir -p "$NORDA_KEEP_DIR" && rm -rf "$scratch/prefix" && cp -a "$scratch/." "$NORDA_KEEP_DIR/"
fi
rm -rf "$scratch"
exit $rc
