#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages the build in $1 with CPack ($2): its files, fields and Depends, and its completion run with its binary;
# Debian's own checks pass, its changelog and copyright are Debian's, and, when $3 is "hardened", its binary is
# hardened as Debian's are.
set -eu
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
"$2" --config "$1/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(echo "$work"/eeprom24c01_*.deb)
test "$(dpkg-deb -c "$deb" | awk '!/^d/ { print $6 }' | sort | tr '\n' ' ')" = "./usr/bin/eeprom24c01 \
./usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules ./usr/share/bash-completion/completions/eeprom24c01 \
./usr/share/doc/eeprom24c01/changelog.gz ./usr/share/doc/eeprom24c01/copyright ./usr/share/eeprom24c01/dflt.dat ./usr/share/man/man1/eeprom24c01.1.gz "
dpkg-deb -f "$deb" Depends Section | tr '\n' ' ' |
    grep -E '^Depends: .*libc6 .*libgcrypt20 .*libsrecord0 .*libstdc\+\+6 .*libusb-1.0-0 .*Section: electronics $'
dpkg-deb -x "$deb" "$work/root" && cd "$work/root/usr/share/eeprom24c01"
# The seated user may open the CH341A programmer.
grep -q '^SUBSYSTEM=="usb", .*ATTR{idVendor}=="1a86", ATTR{idProduct}=="5512", TAG+="uaccess"$' \
    "$work/root/usr/lib/udev/rules.d/70-eeprom24c01-ch341.rules"
# The page names the example image where the package puts it.
gzip -dc "$work/root/usr/share/man/man1/eeprom24c01.1.gz" | grep -q '^\.IR /usr/share/eeprom24c01/dflt\.dat'
# Debian's own checker finds no error and no warning (as root it asks for --allow-root).
lintian $([ "$(id -u)" -ne 0 ] || echo --allow-root) --fail-on error,warning "$deb"
# Each file holds a line matching each pattern.
has() { file=$1 && shift && for line; do grep -qE "$line" "$file" || { echo "$file: no $line"; exit 1; }; done; }
doc=$work/root/usr/share/doc/eeprom24c01 bin=$work/root/usr/bin/eeprom24c01
# The changelog's newest entry is this version; the copyright file is machine-readable (DEP-5).
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^eeprom24c01 ($(dpkg-deb -f "$deb" Version)) "
has "$doc/copyright" '^Format: https://www\.debian\.org/doc/packaging-manuals/copyright-format/1\.0/$' '^Upstream-Name: eeprom24c01$' \
    '^Files: \*$' '^Copyright: [0-9]{4} ' '^License: GPL-3\.0-or-later$' '^ .*"/usr/share/common-licenses/GPL-3"'
# Hardened: a position-independent executable, relocations bound at start and read-only then, the stack protector,
# checked string functions, and on amd64 the end-branch markers of -fcf-protection (Debian 12's start files carry
# no CET property note, so the binary cannot either; they bring two markers, the tool's functions over a thousand).
if [ "$3" = hardened ]; then
    readelf -hdlW --dyn-syms "$bin" >"$work/elf"
    has "$work/elf" '^ *Type: *DYN ' '\(FLAGS_1\) *Flags: NOW PIE$' ' GNU_RELRO ' ' __stack_chk_fail@' ' __(memcpy|printf|snprintf)_chk@'
    [ "$(dpkg-deb -f "$deb" Architecture)" != amd64 ] || [ "$(objdump -d "$bin" | grep -c endbr64)" -gt 100 ]
fi
test "$(PATH="$work/root/usr/bin:$PATH" bash -c '. "$0"; for words; do COMP_WORDS=(eeprom24c01 $words)
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _eeprom24c01 eeprom24c01; echo "${COMPREPLY[*]}"; done' \
    "$work/root/usr/share/bash-completion/completions/eeprom24c01" --ch '--chip 24lc2' '-nw df')" = "$(printf -- '--ch341 --chip --check\n24lc256\ndflt.dat')"
