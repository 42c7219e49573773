# Sourced by the Windows drives. use_own_wine_prefix makes a Wine prefix of the test's own in a
# new temporary folder and exports it as WINEPREFIX, with Wine quiet (no debug output, no menu
# entries or file types on this machine's desktop, no offer to install Wine's .NET and HTML
# engines); end_wine_prefix, for the caller's EXIT trap, ends that prefix's Wine server alone
# and removes the prefix. A WINEPREFIX the caller had is neither used, nor ended, nor removed.
wine_prefix=
use_own_wine_prefix() {
  wine_prefix=$(mktemp -d /tmp/vornalis-wine-XXXXXX)
  export WINEPREFIX=$wine_prefix WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
}
end_wine_prefix() {
  [ -n "$wine_prefix" ] || return 0
  WINEPREFIX=$wine_prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$wine_prefix wineserver -w 2>/dev/null || true
  rm -rf "$wine_prefix"
  wine_prefix=
}
