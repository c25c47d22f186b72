#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build in $1 under a temporary prefix, then checks the binary
# runs, the example image is there and the manual page renders without a
# warning.
set -eu
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
"$prefix/bin/eeprom24c01" --version
page="$prefix/share/man/man1/eeprom24c01.1"
test -f "$page"
cmp "$prefix/share/eeprom24c01/dflt.dat" "$(dirname "$0")/../examples/dflt.dat"
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "$warnings"
    exit 1
fi
MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "EXIT STATUS"
# The help's synopsis is the README's, whitespace aside.
synopsis() { tr -s ' \n' '  '; }
readme=$(sed -n '/^    eeprom24c01 \[--port/,/\[ACTION\]$/p' "$(dirname "$0")/../README.md" | synopsis)
help=$("$prefix/bin/eeprom24c01" --help | sed -n '1,/\[ACTION\]$/p' | sed 's/^usage://' | synopsis)
test "$readme" = "$help"
