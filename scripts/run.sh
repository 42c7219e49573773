#!/usr/bin/env bash
# Builds the program and starts it; arguments are passed on.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/bin/vornalis ]; then
  if [ $# -eq 0 ]; then
    # Started without arguments, the program looks for its stub ext.dll in the current folder.
    cd build/bin && exec ./vornalis
  fi
  exec build/bin/vornalis "$@"
fi
exec build/bin/vornalis-cli "${@:---help}"
