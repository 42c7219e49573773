#!/usr/bin/env bash
# check_stub_runtime_test.sh CHECK_STUB_RUNTIME
# The check of what runtime code the stubs hold, on link maps made for it: each case is one
# object the linker took, as its map names it, and whether the check lets it into a stub.
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mingw=/usr/lib/gcc/i686-w64-mingw32/12-posix/../../../../i686-w64-mingw32/lib/../lib
gcc=/usr/lib/gcc/i686-w64-mingw32/12-posix
glibc=/usr/lib/x86_64-linux-gnu

failures=0 cases=0
# expect pass|fail LINE: a map that holds our own objects and LINE, an archive member (as the
# linker lists it, the reference that pulled it in on the next line) or a LOAD line.
expect() {
  local outcome=$1 line=$2 status=0
  cases=$((cases + 1))
  {
    echo "Archive member included to satisfy reference by file (symbol)"
    echo
    echo "exe/libvornalis_reader_small.a(messages.cpp.obj)"
    echo "                              exe/CMakeFiles/ext_stub.dir/stub/stub_main.cpp.obj (f)"
    case $line in
      LOAD*) ;;
      *)
        echo "$line"
        echo "                              exe/libvornalis_reader_small.a(rebuild.cpp.obj) (g)"
        ;;
    esac
    echo
    echo "Discarded input sections"
    echo
    echo " .text          0x00000000        0x0 $mingw/libpthread.a(lib32_libpthread_a-thread.o)"
    echo
    echo "Linker script and memory map"
    echo
    echo "LOAD exe/CMakeFiles/ext_stub.dir/stub/stub_main.cpp.obj"
    echo "LOAD /tmp/ccAbCdEf.ltrans0.ltrans.o"
    echo "LOAD $mingw/libpthread.a"
    case $line in LOAD*) echo "$line" ;; esac
  } >"$work/map"
  "$check" "$work/map" >"$work/out" 2>&1 || status=$?
  # A case that passes must have been read: it is the one runtime object the check counts.
  if { [ "$outcome" = pass ] && [ "$status" -eq 0 ] && grep -q ' 1 runtime object' "$work/out"; } ||
    { [ "$outcome" = fail ] && [ "$status" -eq 1 ] && grep -q 'whose licence may ask' "$work/out"; }; then
    return 0
  fi
  echo "FAILED: should $outcome (status $status): $line"
  sed 's/^/  /' "$work/out"
  failures=$((failures + 1))
}

# GCC's runtime, mingw-w64's public-domain start-up code, import thunks, glibc's start files,
# shared libraries.
expect pass "$gcc/libgcc.a(_udivdi3.o)"
expect pass "$gcc/libstdc++.a(tree.o)"
expect pass "$gcc/libgcc_eh.a(unwind-dw2.o)"
expect pass "$mingw/libmingw32.a(lib32_libmingw32_a-gccmain.o)"
expect pass "$mingw/libmsvcrt.a(lib32_libmsvcrt_common_a-acrt_iob_func.o)"
expect pass "$mingw/libkernel32.a(libkernel32s00135.o)"
expect pass "$mingw/libkernel32.a(libkernel32h.o)"
expect pass "$mingw/libmsvcrt.a(libmsvcrt_defs00057.o)"
expect pass "$mingw/libmsvcrt.a(libmsvcrt_deft.o)"
expect pass "LOAD $mingw/crt2.o"
expect pass "LOAD $gcc/crtbegin.o"
expect pass "LOAD $glibc/Scrt1.o"
expect pass "LOAD $glibc/crti.o"
expect pass "LOAD /usr/lib/gcc/x86_64-linux-gnu/12/libstdc++.so"
expect pass "LOAD /lib/x86_64-linux-gnu/libc.so.6"
# winpthreads (MIT), the rest of the mingw-w64 runtime (ZPL 2.1 and others), a static glibc,
# objects nobody has looked at.
expect fail "$mingw/libpthread.a(lib32_libpthread_a-thread.o)"
expect fail "$mingw/libwinpthread.a(lib32_libwinpthread_la-mutex.o)"
expect fail "$mingw/libmingwex.a(lib32_libmingwex_a-mingw_matherr.o)"
expect fail "$mingw/libmingwex.a(lib32_libmingwex_a-mingw_pformat.o)"
expect fail "$mingw/libmsvcrt.a(lib32_libmsvcrt_extra_a-invalid_parameter_handler.o)"
expect fail "$glibc/libc.a(printf.o)"
expect fail "LOAD /opt/other/crt0.o"

echo "$((cases - failures)) of $cases runtime cases as expected"
[ "$failures" -eq 0 ]
