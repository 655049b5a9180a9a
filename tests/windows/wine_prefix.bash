# Wine prefixes of the tests' own, sourced by the scripts beside it. A prefix of its own keeps a
# test away from the wineserver that every other Windows test shares (and from the one-off
# update of the default prefix that Wine runs when it finds it out of date), and lets the test
# start and end that wineserver when it chooses.
#
# Before sourcing: WINE, the wine program. Sets WINESERVER.
#   use_prefix DIR [SETUP]  exports WINEPREFIX=DIR, with no wineserver of its running. The
#                           first time, makes the prefix (wineboot) and runs the function SETUP
#                           in it; it is then kept for later runs. One left unfinished by an
#                           earlier run is made anew.
#   end_wineserver          ends the prefix's wineserver and everything still running in it.
# Every step is bounded; a failing one says what Wine said and returns non-zero.

WINESERVER=$(dirname "$(command -v "$WINE")")/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)

end_wineserver() {
  timeout 30 "$WINESERVER" -k 2>/dev/null
  timeout 30 "$WINESERVER" -w 2>/dev/null
  return 0
}

use_prefix() {
  export WINEPREFIX=$1
  local setup=${2:-}
  # A wineserver left over from an earlier run would know an older display or terminal.
  end_wineserver
  [ ! -e "$WINEPREFIX/.qq-prefix-made" ] || return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  local log="$WINEPREFIX/.qq-prefix-log"
  # No Mono or Gecko installers: nothing here needs them.
  if ! WINEDLLOVERRIDES="mscoree,mshtml=" timeout 180 "$WINE" wineboot -i >"$log" 2>&1; then
    echo "FAIL: wineboot did not make the prefix $WINEPREFIX"
    cat "$log"
    return 1
  fi
  if [ -n "$setup" ] && ! "$setup" >>"$log" 2>&1; then
    echo "FAIL: the prefix $WINEPREFIX could not be set up"
    cat "$log"
    return 1
  fi
  # The registry reaches the prefix's files when its wineserver ends.
  timeout 60 "$WINESERVER" -w
  touch "$WINEPREFIX/.qq-prefix-made"
}
