#!/bin/sh
# Runs the README's production loop as written, on the simulated board with
# the tool built in $1: good boards pass, failed boards are counted and the
# loop ends nonzero, a port that cannot be used stops it.
set -eu
loop=$(sed -n '/^    (board=/,/stopped" -eq 0 \])$/s/^    //p' "$(dirname "$0")/../README.md")
test -n "$loop"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
PATH="$1:$PATH"
export PATH
head -c 128 /dev/zero > image.bin
# Two boards, one ENTER each.
run() { printf '\n\n' | bash -c "$1" 2>/dev/null; }
test "$(run "$loop")" = "0 board(s) failed."
cmp chip.bin image.bin
head -c 5 /dev/zero > image.bin
if out=$(run "$loop"); then exit 1; fi
test "$out" = "$(printf 'This board failed: set it aside.\nThis board failed: set it aside.\n2 board(s) failed.')"
if out=$(run "$(echo "$loop" | sed 's/--sim chip.bin/--port no-such-port/')"); then exit 1; fi
test "$out" = "$(printf 'Stopped: status 3, see the message above.\n0 board(s) failed.')"
