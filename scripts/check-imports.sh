#!/bin/sh
# Every Windows binary must import system DLLs only: no compiler runtime
# (libstdc++, libgcc, winpthread) may travel with the program.
set -eu
status=0
for dir in "$@"; do
  for exe in $(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*'); do
    bad=$(objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
          grep -i -e 'libstdc++' -e 'libgcc' -e 'winpthread' -e 'libwinpthread' || true)
    if [ -n "$bad" ]; then
      echo "check-imports: $exe imports $bad" >&2
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "check-imports: only system DLLs imported"
exit $status
