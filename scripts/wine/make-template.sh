#!/bin/sh
# Makes the Wine prefix that every Windows test copies: a fresh prefix whose
# user folders are plain folders inside it (a new prefix links them to $HOME,
# and no test may touch the real home), with one virtual desktop so that
# windows get frames in screenshots.
#
#   make-template.sh [--wow64] TEMPLATE
#
# The x86_64 programs need a 64-bit prefix only, made by the 64-bit loader
# itself (plain "wine" would start through the 32-bit loader when 32-bit Wine
# is installed, emulated on some machines). --wow64 makes a prefix that also
# runs 32-bit programs, for the i686 build: that takes the 32-bit loader, and
# where it cannot run, the template holds only a file "skipped" that says why,
# and the script exits 77.
set -eu
wow64=""
if [ "${1:-}" = --wow64 ]; then wow64=yes; shift; fi
template=$1
rm -rf "$template"
loader32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
if [ -n "$wow64" ] && ! "$loader32" --version >/dev/null 2>&1; then
  mkdir -p "$template"
  echo "32-bit Wine cannot run on this machine (scripts/install-wine32.sh sets it up, as root):" \
       "the i686 program is not tested." | tee "$template/skipped"
  exit 77
fi
scratch=$(mktemp -d /tmp/norda-template.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
export WINEPREFIX="$template" HOME="$scratch/home" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "$wow64" ] && [ -e "$loader32" ] && unshare -m true 2>/dev/null; then
  # Even the 64-bit loader sets up the 32-bit half of a prefix when 32-bit Wine
  # is installed, which takes minutes where that loader is emulated; x86_64
  # programs do not need it. So the prefix is made where the 32-bit loader
  # cannot start: in a mount namespace of its own, with nothing in its place.
  # shellcheck disable=SC2016
  unshare -m sh -c 'mount --bind /dev/null "$1" && shift && exec "$@"' - "$loader32" \
    xvfb-run -a "$wine64" wineboot -i
else
  xvfb-run -a "$wine64" wineboot -i
fi >"$scratch/boot.log" 2>&1 || { cat "$scratch/boot.log"; exit 1; }
"$wine64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$scratch/boot.log" 2>&1
"$wine64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$scratch/boot.log" 2>&1
wineserver -w
users="$template/drive_c/users"
for user in "$users"/*; do
  for link in "$user"/*; do
    if [ -L "$link" ]; then rm "$link"; mkdir "$link"; fi
  done
done
# Wine's own fonts (Tahoma, MS Sans Serif, Marlett for the symbols of the title
# bar and the scroll bars) go where Windows keeps its fonts: this Wine does not
# load them from its data folder, and draws the close box as "r" without them.
cp /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
test -d "$users/$(id -un)/Documents" || { echo "template has no Documents folder"; exit 1; }
if [ -n "$wow64" ] && [ ! -e "$template/drive_c/windows/syswow64/kernel32.dll" ]; then
  cat "$scratch/boot.log"; echo "template has no 32-bit system folder"; exit 1
fi
echo "template prefix ready: $template"
