#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages the build in $1 with CPack ($2): its files, fields and Depends, and its completion run with its binary.
set -eu
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
"$2" --config "$1/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(echo "$work"/eeprom24c01_*.deb)
test "$(dpkg-deb -c "$deb" | awk '!/^d/ { print $6 }' | sort | tr '\n' ' ')" = "./usr/bin/eeprom24c01 \
./usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules ./usr/share/bash-completion/completions/eeprom24c01 \
./usr/share/doc/eeprom24c01/copyright ./usr/share/eeprom24c01/dflt.dat ./usr/share/man/man1/eeprom24c01.1.gz "
dpkg-deb -f "$deb" Depends Section | tr '\n' ' ' |
    grep -E '^Depends: .*libc6 .*libgcrypt20 .*libsrecord0 .*libstdc\+\+6 .*libusb-1.0-0 .*Section: electronics $'
dpkg-deb -x "$deb" "$work/root" && cd "$work/root/usr/share/eeprom24c01"
# The seated user may open the CH341A programmer.
grep -q '^SUBSYSTEM=="usb", .*ATTR{idVendor}=="1a86", ATTR{idProduct}=="5512", TAG+="uaccess"$' \
    "$work/root/usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules"
# The page names the example image where the package puts it.
gzip -dc "$work/root/usr/share/man/man1/eeprom24c01.1.gz" | grep -q '^\.IR /usr/share/eeprom24c01/dflt\.dat'
test "$(PATH="$work/root/usr/bin:$PATH" bash -c '. "$0"; for words; do COMP_WORDS=(eeprom24c01 $words)
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _eeprom24c01 eeprom24c01; echo "${COMPREPLY[*]}"; done' \
    "$work/root/usr/share/bash-completion/completions/eeprom24c01" --ch '--chip 24lc2' '-nw df')" = "$(printf -- '--ch341 --chip --check\n24lc256\ndflt.dat')"
