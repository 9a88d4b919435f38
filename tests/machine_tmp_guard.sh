#!/bin/sh
# The machine's emergency copy of a user's tables, "/tmp/save.cfg", and the
# earlier copies kept beside it ("/tmp/save.cfg.N"), before and after a test
# run: every test that makes the programs write one gives them a /tmp of
# their own, so the run must leave these exactly as it found them.
#
#     machine_tmp_guard.sh record STATE   # before the first test
#     machine_tmp_guard.sh check STATE    # after the last; 1 when they changed
#
# Each name is recorded with its inode, size, times of change and its
# contents' checksum, so a copy written over, replaced, removed or added
# shows. Where the machine has no copy, a sentinel takes its name for the
# run (a test that removes or replaces the copy then shows too) and is
# removed again when the run left it alone. Another program of the machine
# that writes these names meanwhile (a user's own run of qorvel, another
# test run of an older tree) shows as well.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 record|check STATE" >&2; exit 2; }
mode=$1
state=$2

snapshot() {
    for f in /tmp/save.cfg /tmp/save.cfg.*; do
        [ -e "$f" ] || [ -L "$f" ] || continue
        if [ -f "$f" ] && [ -r "$f" ]; then
            sum=$(cksum < "$f")
        else
            sum=-
        fi
        printf '%s %s %s\n' "$f" "$(stat -c '%F %i %s %Y %Z' "$f")" "$sum"
    done
}

case $mode in
record)
    rm -f "$state.planted"
    if [ ! -e /tmp/save.cfg ] && [ ! -L /tmp/save.cfg ] &&
        (set -C; umask 077; echo "# sentinel of a test run ($state)" > /tmp/save.cfg) 2>/dev/null; then
        : > "$state.planted"
    fi
    snapshot > "$state"
    ;;
check)
    [ -f "$state" ] || { echo "$0: nothing recorded in $state" >&2; exit 2; }
    now=$(snapshot)
    if [ "$now" != "$(cat "$state")" ]; then
        echo "the test run changed the machine's emergency copies in /tmp:" >&2
        echo "$now" | diff "$state" - >&2 || true
        rm -f "$state.planted"
        exit 1
    fi
    if [ -e "$state.planted" ]; then
        rm -f /tmp/save.cfg "$state.planted"
    fi
    ;;
*)
    echo "usage: $0 record|check STATE" >&2
    exit 2
    ;;
esac
