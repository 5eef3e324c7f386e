#!/bin/sh
# Makes the Wine prefix that every Windows test copies: a fresh prefix whose
# user folders are plain folders inside it (a new prefix links them to $HOME,
# and no test may touch the real home), with one virtual desktop so that
# windows get frames in screenshots.
set -eu
template=$1
rm -rf "$template"
scratch=$(mktemp -d /tmp/norda-template.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
export WINEPREFIX="$template" HOME="$scratch/home" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a wine wineboot -i >"$scratch/boot.log" 2>&1 || { cat "$scratch/boot.log"; exit 1; }
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$scratch/boot.log" 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$scratch/boot.log" 2>&1
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
echo "template prefix ready: $template"
