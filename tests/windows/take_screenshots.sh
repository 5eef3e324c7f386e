#!/bin/sh
# Screenshots of the program's dialogs in several languages, to be looked at:
# runs show_resource_dialogs under Wine on a virtual X display, once per
# locale, in a prefix made for that locale, and saves one PNG per page
# (0: error report and About dialogs, 1: report contents dialog).
#
# Usage: take_screenshots.sh WIN64_BUILD_DIR OUTPUT_DIR [LOCALE ...]
#   e.g. take_screenshots.sh build/win64 /tmp/screens de_DE.UTF-8 ja_JP.UTF-8
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
locales=${*:-"en_US.UTF-8 de_DE.UTF-8 fr_FR.UTF-8 ru_RU.UTF-8 ja_JP.UTF-8 zh_CN.UTF-8 zh_TW.UTF-8 ko_KR.UTF-8"}
exe=$build/tests/show_resource_dialogs.exe
test -f "$exe" || { echo "no $exe: build the target show_resource_dialogs first" >&2; exit 1; }

# One locale inside its own X display: start the program, and for each page
# wait (bounded) for it to say it is drawn, take the picture, let it go on.
session='
  wine "$exe" "$signals_win" >"$scratch/stdout" 2>"$scratch/stderr" &
  pid=$!
  for page in 0 1; do
    tries=0
    while [ ! -f "$scratch/signals/page$page.ready" ]; do
      tries=$((tries + 1))
      if [ $tries -gt 600 ]; then echo "page $page of $locale never got ready" >&2; break; fi
      sleep 0.1
    done
    import -window root "$out/${locale%%.*}-page$page.png"
    touch "$scratch/signals/page$page.next"
  done
  wait $pid
'
for locale in $locales; do
  # A prefix made in the locale, as a user's system is installed in its
  # language: window captions then get a font with the language's glyphs.
  # Made anew each time (about 15 s) rather than kept: a prefix is 700 MB.
  scratch=$(mktemp -d /tmp/norda-shots.XXXXXX)
  LANG="$locale" LC_ALL="$locale" "$root/scripts/wine/make-template.sh" "$scratch/prefix" >/dev/null
  mkdir "$scratch/home" "$scratch/signals"
  signals_win="Z:$(printf %s "$scratch/signals" | tr / '\\')"
  WINEPREFIX="$scratch/prefix" HOME="$scratch/home" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    LANG="$locale" LC_ALL="$locale" exe="$exe" signals_win="$signals_win" scratch="$scratch" out="$out" \
    locale="$locale" xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$session" || true
  WINEPREFIX="$scratch/prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$scratch/prefix" wineserver -w 2>/dev/null || true
  rm -rf "$scratch"
  echo "$locale: $(ls "$out"/"${locale%%.*}"-page*.png 2>/dev/null | tr '\n' ' ')"
done
