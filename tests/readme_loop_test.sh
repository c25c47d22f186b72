#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the README's production loop as written, on the simulated board with
# the tool built in $1: good boards pass and take consecutive serial numbers,
# failed boards are counted, use up no number and the loop ends nonzero, a
# port that cannot be used stops it; the log has a line per action. The
# manual page shows the same loop.
set -eu
loop=$(sed -n '/^    (board=/,/stopped" -eq 0 \])$/s/^    //p' "$(dirname "$0")/../README.md")
test -n "$loop"
test "$(sed -n '/^(board=/,/stopped" \\-eq 0 \])$/{s/\\-/-/g;s/\\e/\\/g;p}' "$(dirname "$0")/../doc/eeprom24c01.1.in")" = "$loop"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
PATH="$1:$PATH"
export PATH
head -c 128 /dev/zero > image.bin
echo 1000 > serial.txt
# Two boards, one ENTER each.
run() { printf '\n\n' | bash -c "$1" 2>/dev/null; }
test "$(run "$loop")" = "0 board(s) failed."
test "$(cat serial.txt)" = 1002
# The last board's number, 1001, big-endian at 0x7c.
test "$(od -An -tx1 -j124 chip.bin | tr -d ' \n')" = 000003e9
cmp -n 124 chip.bin image.bin
head -c 5 /dev/zero > image.bin
if out=$(run "$loop"); then exit 1; fi
test "$out" = "$(printf 'This board failed: set it aside.\nThis board failed: set it aside.\n2 board(s) failed.')"
test "$(cat serial.txt)" = 1002
if out=$(run "$(echo "$loop" | sed 's/--sim chip.bin/--port no-such-port/')"); then exit 1; fi
test "$out" = "$(printf 'Stopped: status 3, see the message above.\n0 board(s) failed.')"
# A header, then check and write for each of four boards, then the refused port's check.
test "$(wc -l < production.csv)" -eq 10
# The action and the exit status, the second field and the last but one (an outcome may hold commas).
test "$(awk -F, '{ printf "%s,%s ", $2, $(NF - 1) }' production.csv)" = \
    "action,exit_status check,0 write,0 check,0 write,0 check,0 write,1 check,0 write,1 check,3 "
