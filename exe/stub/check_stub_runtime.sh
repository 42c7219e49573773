#!/bin/sh
# check_stub_runtime.sh LINK_MAP
# Every made program carries the stub, and nobody who passes one on knows to pass on a notice
# with it: so the stub may hold, besides our own code (Boost Software License, which asks none
# in machine code), only runtime code whose licence asks no notice in a program made with it.
# Reads the linker's map of the stub (-Wl,-Map) and names every object it took from outside the
# build; exits with 1 when one of them is not of these:
#   libgcc, libgcc_eh, libstdc++, libsupc++, crtbegin/crtend   GCC Runtime Library Exception
#   libmingw32.a, crt2.o              mingw-w64's start-up code (mingw-w64-crt/crt), public domain
#   acrt_iob_func.o of libmsvcrt.a    mingw-w64-crt/stdio/acrt_iob_func.c, public domain
#   the import thunks of a system DLL (libkernel32.a(libkernel32s00135.o) and the like)
#   Scrt1.o, crt1.o, crti.o, crtn.o, libc_nonshared.a   glibc's, which allows any use of them
#   shared libraries (.so), which the system that runs the program supplies
# Anything else (winpthreads' MIT notice, the mingw-w64 runtime's ZPL notice, a static glibc)
# fails the build, naming the object.
set -eu
map=$1
awk '
  # The linker lists the archive members it took at the start of a line, each followed by the
  # reference that pulled it in; the objects and shared libraries it was given outright as LOAD
  # lines (LOAD lines of archives say only that they were searched).
  /^Archive member included/ { members = 1; next }
  /^(Discarded input sections|Allocating common symbols|Memory Configuration)/ { members = 0 }
  members && /^[^ \t].*\(.*\)/ { sub(/[ \t].*$/, ""); print; next }
  /^LOAD .*(\.o|\.so(\.[0-9]+)*)$/ { print $2 }
' "$map" | sort -u | {
  refused=0 taken=0
  while IFS= read -r object; do
    case $object in
      /*) ;;
      *) continue ;;  # the build's own
    esac
    case $object in
      *.ltrans.o | *.debug.temp.o | *.ltrans[0-9]*.o) continue ;;  # link-time optimisation's own output
    esac
    member=
    case $object in *"("*")") member=${object##*(} member=${member%)} object=${object%%(*} ;; esac
    file=${object##*/}
    case $file in
      libgcc.a | libgcc_eh.a | libstdc++.a | libsupc++.a | crtbegin*.o | crtend*.o) ok=1 ;;
      libmingw32.a | crt2.o | Scrt1.o | crt1.o | crti.o | crtn.o | libc_nonshared.a) ok=1 ;;
      *.so | *.so.*) ok=1 ;;
      lib*.a)
        case $member in
          lib32_libmsvcrt_common_a-acrt_iob_func.o) ok=1 ;;
          *) ok=$(echo "$member" | grep -cE '^lib[a-z0-9_]*(s[0-9]+|h|t)\.o$' || true) ;;
        esac
        ;;
      *) ok=0 ;;
    esac
    [ -z "$member" ] || file="$file($member)"
    if [ "$ok" = 1 ]; then
      taken=$((taken + 1))
    else
      echo "the stub links $file ($object), whose licence may ask for a notice in every made program" >&2
      refused=$((refused + 1))
    fi
  done
  [ "$refused" -eq 0 ] || exit 1
  echo "the stub links $taken runtime object(s), none of which asks for a notice"
}
