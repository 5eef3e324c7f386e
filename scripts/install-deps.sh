#!/bin/sh
# Installs what the builds and the tests need on a Debian 12 machine (as root):
# the packages that are missing (the package lists are updated first when
# anything is missing) and the UTF-8 locales that the tests run Wine under.
# Nothing that a test relies on is left to what a machine happens to have.
set -eu
# fonts-wine: Wine's own Tahoma, MS Sans Serif and Marlett, made to the metrics
# of the Windows fonts, which the dialogs are measured and drawn with;
# fonts-wqy-microhei: the one font with Chinese, Japanese and Korean glyphs.
packages="build-essential cmake ninja-build pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-apps imagemagick fonts-wine fonts-wqy-microhei locales
  googletest libgtest-dev zlib1g-dev clang-14 libclang-rt-14-dev
  unzip p7zip-full python3 python3-aiosmtpd coreutils zip time libssl-dev openssl"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  # shellcheck disable=SC2086
  apt-get install -y --no-install-recommends $missing
fi

# Wine maps Windows file names to Unix ones through the locale's character set
# and takes the user interface language and ANSI code page from it: a locale
# that was never generated falls back to ASCII, and every non-ASCII path fails.
# These are the fifteen languages of the program and the two that the language
# choice is tested with.
locales="zh_TW zh_CN cs_CZ de_DE en_US fr_FR hu_HU it_IT ja_JP ko_KR pl_PL pt_BR ru_RU tr_TR es_ES de_AT nl_NL"
available=$(locale -a | tr 'A-Z' 'a-z')
absent=""
for l in $locales; do
  echo "$available" | grep -qx "$(echo "$l.utf8" | tr 'A-Z' 'a-z')" || absent="$absent $l"
done
if [ -n "$absent" ]; then
  echo "generating locales:$absent"
  for l in $absent; do
    sed -i "s/^# *\($l\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  done
  locale-gen
  for l in $absent; do
    locale -a | grep -qix "$l.utf8" || { echo "locale $l.UTF-8 could not be generated" >&2; exit 1; }
  done
fi
