#!/bin/sh
# Sets up 32-bit Wine, so that the i686 build (the one that ships) runs under
# test too. Only what is missing is done, so the script can run before every
# test run:
#
#   1. the i386 architecture is added to dpkg, and wine32, libwine:i386 and
#      libgstreamer-plugins-base1.0-0:i386 are installed together with their
#      amd64 halves (wine64, libwine, libgstreamer-plugins-base1.0-0): both
#      architectures must have the same version of each, and apt would rather
#      remove wine64 than upgrade it. Nothing is ever removed: when the newest
#      versions do not match (the security archive's i386 index can lag behind
#      the amd64 one), the versions of the bookworm release are taken instead;
#   2. when the kernel cannot run 32-bit x86 programs ("Exec format error"),
#      qemu-user-static is installed and the binfmt_misc file system is mounted
#      (if it is not), and one entry is registered there:
#        /proc/sys/fs/binfmt_misc/qemu-i386: 32-bit x86 ELF programs (executables
#        and shared objects) start through /usr/bin/qemu-i386-static, with the F
#        flag, so the interpreter is opened now and works in any mount namespace.
#      Such an entry is lost at reboot; the next run registers it again.
#
# Where it cannot (not root, or binfmt_misc cannot be mounted) it says so and
# exits 0: the tests of the i686 build are then skipped. Failures of apt are
# errors.
set -eu
loader32=/usr/lib/wine/wine
entry=/proc/sys/fs/binfmt_misc/qemu-i386
packages="wine32:i386 libwine:i386 libgstreamer-plugins-base1.0-0:i386"
halves="wine64 libwine:amd64 libgstreamer-plugins-base1.0-0:amd64"

say() { echo "install-wine32: $*"; }

# 32-bit Wine runs when its loader can print its version.
runs32() { [ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1; }

cannot() {
  say "$*"
  say "32-bit Wine cannot run here: the tests of the i686 build will be skipped."
  exit 0
}

installed() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || return 1
  done
}

if runs32; then
  say "32-bit Wine runs ($("$loader32" --version 2>/dev/null))."
  exit 0
fi
[ "$(id -u)" -eq 0 ] || cannot "setting it up needs root; run this script as root."

export DEBIAN_FRONTEND=noninteractive
updated=""
update() { [ -n "$updated" ] || { apt-get update; updated=yes; }; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture to dpkg"
  dpkg --add-architecture i386
fi
# shellcheck disable=SC2086
if ! installed $packages; then
  say "installing $packages"
  update
  # shellcheck disable=SC2086
  apt-get install -y --no-install-recommends --no-remove $packages $halves ||
    apt-get install -y --no-install-recommends --no-remove -t bookworm $packages $halves
fi
runs32 && { say "32-bit Wine runs natively."; exit 0; }

if ! installed qemu-user-static; then
  say "installing qemu-user-static"
  update
  apt-get install -y --no-install-recommends qemu-user-static
fi
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  say "mounting binfmt_misc on $binfmt"
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || cannot "binfmt_misc cannot be mounted on $binfmt."
fi
if [ -e "$entry" ] && ! grep -qx 'interpreter /usr/bin/qemu-i386-static' "$entry"; then
  say "replacing $entry, which names another interpreter"
  echo -1 >"$entry"
fi
if [ ! -e "$entry" ]; then
  say "registering $entry: 32-bit x86 ELF files run through /usr/bin/qemu-i386-static (flags F)"
  # The ELF header of a 32-bit little-endian x86 executable or shared object.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s\n' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >"$binfmt/register" ||
    cannot "the kernel refused the entry qemu-i386."
fi
grep -qx enabled "$entry" || { say "enabling $entry"; echo 1 >"$entry"; }
runs32 || { say "32-bit Wine still does not run through $entry"; exit 1; }
say "32-bit Wine runs through qemu-i386-static ($("$loader32" --version 2>/dev/null))."
