#!/usr/bin/env bash
# own_home.sh PROGRAM [ARGUMENT...]
# Runs a test program in a home of its own: HOME and the XDG folders (configuration, data, cache,
# run time) lie in a new temporary folder, which goes when the program ends; exits as the program
# did. What a test or its toolkit writes there (Qt's file dialogs keep QtProject.conf in the
# configuration folder) never reaches the home of whoever runs the tests.
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/vornalis-home-XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/config" "$home/data" "$home/cache" "$home/runtime"
status=0
HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
  XDG_RUNTIME_DIR=$home/runtime "$@" || status=$?
exit "$status"
