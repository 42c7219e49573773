#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping the work when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  ccache                            # every build of scripts/ compiles through it
  clang libclang-rt-14-dev          # sanitizer and fuzzing builds
  libgtest-dev libgmock-dev         # engine and CLI tests
  libicu-dev                        # locale name order
  libcli11-dev                      # command-line parsing
  qt6-base-dev libgl1-mesa-dev      # desktop program
  qt6-tools-dev libqt6sql6-sqlite   # the help window (Qt6Help) and the database its help file is
  qt6-documentation-tools           # qhelpgenerator, which compiles the help at build time
  adwaita-icon-theme fonts-dejavu-core  # file-type icons and a font for the desktop program
  xvfb xauth xdotool                # running the desktop program without a display
  dpkg-dev desktop-file-utils shared-mime-info  # the package's dependencies, desktop entry, file type
  lintian                           # the Debian package's check
  bsdutils                          # script: a terminal for the tests of the made programs
  par2                              # the independent check of recovery files
  strace                            # signals and kills at chosen system calls in the attack tests
  g++-mingw-w64-i686-posix          # the Windows stub, engine and CLI (32-bit, cross-built)
  googletest                        # GoogleTest's sources, built for Windows
  wine wine32:i386                  # running the Windows programs and tests
  icoutils                          # icotool: the Windows programs' icons
  nsis                              # makensis: the Windows setup program
  fp-utils                          # chmcmd: the Windows program's help, Vornalis.chm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# The 32-bit Wine comes from the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
