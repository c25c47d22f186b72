# SPDX-License-Identifier: GPL-3.0-or-later
# Bash completion for eeprom24c01. The options come from the tool's --help,
# the chip and format names from its own lists, so none of them is kept here
# a second time.

# The first column of "TOOL --chip list" (or --format list) after its header,
# and "list" itself; nothing where the tool has no such list.
_eeprom24c01_names() {
    "$1" "$2" list 2>/dev/null | awk 'NR > 1 { print $1 } END { if (NR > 1) print "list" }'
}

# The help's option lines: "  -r, --read FILE" or "      --port DEVICE".
_eeprom24c01_options() {
    "$1" --help 2>/dev/null | grep -oE '^  -[[:alnum:]], --[[:alnum:]-]+|^      --[[:alnum:]-]+' | tr -d ,
}

_eeprom24c01() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} words equals=
    COMPREPLY=()
    # Bash splits --chip=24lc2 at the '=': the option is then one word further back.
    if [[ $cur == = ]]; then
        cur= equals=1
    elif [[ $prev == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]} equals=1
    fi
    case $prev in
        --chip | --format) words=$(_eeprom24c01_names "$1" "$prev") ;;
        --port) words=$(compgen -G '/dev/parport*') ;;
        --i2c) words=$(compgen -G '/dev/i2c-*') ;;
        # -nw FILE: a cluster of short options ending in one that takes a file.
        -[rwv] | -[!-]*[rwv] | --read | --write | --verify | --sim | --trace | --serial-file | --log)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --clock) words="20k 100k 400k 750k 1M" ;;
        --io | --page-size | --address | --serial | --lock-wait) return ;;
        # --ch341=BUS:DEVICE: the programmers plugged in, as lsusb prints them.
        --ch341) [[ -n $equals ]] && words=$(lsusb -d 1a86:5512 2>/dev/null | awk '{ sub(":", "", $4); print $2 ":" $4 }') ||
            words=$(_eeprom24c01_options "$1") ;;
        *) words=$(_eeprom24c01_options "$1") ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -F _eeprom24c01 eeprom24c01
