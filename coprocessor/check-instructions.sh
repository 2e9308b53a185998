#!/bin/sh
# Fails when a linked program holds an instruction that an ARMv4T core (the
# second CPU's ARM940T, the main CPU's ARM920T; ARM state, no FPU) cannot run.
#
#   check-instructions.sh OBJDUMP PROGRAM.elf
#   check-instructions.sh OBJDUMP PROGRAM LINK_MAP
#
# Every instruction of the disassembly must be ARMv4T: data processing and
# shifts, multiplies (including the long ones), single and multiple loads and
# stores (word, byte, halfword, signed), swp, b/bl/bx, svc, mrs/msr, and
# coprocessor access to CP15 only. Anything else -- blx, clz, ldrd/strd, pld,
# saturating and halfword multiplies (ARMv5), media and exclusive instructions
# (ARMv6), movw/movt and bitfields (ARMv6T2), barriers, VFP/NEON, Thumb code
# -- is reported with its address and the check fails.
#
# With the linker's map of a Linux program (ld -Map), only the code the map
# places from our own objects and from the compiler's static helpers (libgcc,
# crtbegin/crtend) is checked: the C library's start files and the shared
# libraries are the system's. That program must also not use the helpers the
# kernel maps into newer ARM Linux processes (atomics and the thread pointer
# through __sync_*, __atomic_*, __aeabi_read_tp): the handheld's kernel has
# none.
set -eu
objdump=$1
program=$2
map=${3:-}

ranges=$(mktemp)
trap 'rm -f "$ranges"' EXIT

if [ -n "$map" ]; then
    # Input sections of code, as "start end file" in hex, sorted by start.
    # An input section line is " .text... ADDRESS SIZE FILE", or its name
    # alone when long, with the rest on the next line.
    awk '
    /^Linker script and memory map/ { inMap = 1; next }
    !inMap { next }
    /^ \.(text|glue_7|glue_7t|v4_bx|vfp11_veneer|init|fini)/ {
        if (NF >= 4) { consider($2, $3, $4) } else if (NF == 1) { pending = 1 }
        next
    }
    pending && NF >= 3 && $1 ~ /^0x/ { consider($1, $2, $3); pending = 0; next }
    { pending = 0 }
    function consider(address, size, file) {
        if (size ~ /^0x0+$/) return
        # The C library owns its start files and the static part of libc.
        if (file ~ /(^|\/)(S?crt1|crti|crtn|[gr]crt1)\.o$/ || file ~ /libc_nonshared\.a/) return
        print address, size, file
    }' "$map" | while read -r address size file; do
        # Fixed-width hex with a letter in front compares as text in any awk.
        printf 'x%08x x%08x %s\n' "$((address))" "$((address + size))" "$file"
    done | sort > "$ranges"
    if [ ! -s "$ranges" ]; then
        echo "$program: $map names no code of ours" >&2
        exit 1
    fi

    helpers=$("$objdump" -t "$program" |
        awk '$NF ~ /^(__sync_|__atomic_|__aeabi_read_tp$|__kernel_)/ { print $NF }' | sort -u)
    if [ -n "$helpers" ]; then
        echo "$program: uses the kernel's user helpers, which the handheld lacks:" \
            "$(echo "$helpers" | head -3 | tr '\n' ' ')($(echo "$helpers" | wc -l) in all)" >&2
        exit 1
    fi
fi

# Thumb code is marked by $t mapping symbols; the program must be ARM state only.
if "$objdump" -t "$program" | awk -v ranges="$ranges" '
    BEGIN { n = 0; while ((getline line < ranges) > 0) { split(line, r, " ");
            start[n] = r[1]; end[n] = r[2]; n++ } }
    $NF ~ /^\$t/ {
        if (n == 0) { found = 1; exit }
        a = sprintf("%8s", $1); gsub(/ /, "0", a); a = "x" a
        for (i = 0; i < n; i++) if (a >= start[i] && a < end[i]) { found = 1; exit }
    }
    END { exit !found }'; then
    echo "$program: holds Thumb code; ARMv4T programs here must be ARM state only" >&2
    exit 1
fi

"$objdump" -d "$program" | awk -v program="$program" -v ranges="$ranges" '
BEGIN {
    cond = "(eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?"
    dp = "(and|eor|sub|rsb|add|adc|sbc|rsc|orr|mov|bic|mvn|lsl|lsr|asr|ror|rrx|mul|mla|umull|umlal|smull|smlal)s?"
    test = "(tst|teq|cmp|cmn)"
    mem = "(ldr|str)(b|h|sb|sh|t|bt)?"
    multi = "(ldm|stm)(ia|ib|da|db|fd|fa|ed|ea)?|push|pop"
    other = "swpb?|b|bl|bx|svc|mrs|msr"
    allowed = "^((" dp ")|" test "|(" mem ")|(" multi ")|(" other "))" cond "$"
    coprocessor = "^(cdp|ldcl?|stcl?|mcr|mrc)" cond "$"
    bad = 0
    # Address ranges to check, sorted; none: the whole program.
    n = 0
    while ((getline line < ranges) > 0) {
        split(line, r, " ")
        start[n] = r[1]; end[n] = r[2]; from[n] = r[3]; n++
    }
    next_range = 0
    checked = 0
}
# Instruction lines: "  addr:\tencoding \tmnemonic\toperands"
/^ *[0-9a-f]+:\t/ {
    n_fields = split($0, field, "\t")
    if (n_fields < 3) next
    address = field[1]; gsub(/[ :]/, "", address)
    where = ""
    if (n > 0) {
        # The disassembly runs in address order, so the ranges are walked once.
        a = sprintf("%8s", address); gsub(/ /, "0", a); a = "x" a
        while (next_range < n && end[next_range] <= a) next_range++
        if (next_range >= n || start[next_range] > a) next
        where = " in " from[next_range]
    }
    checked++
    encoding = field[2]; gsub(/ /, "", encoding)
    mnemonic = field[3]; gsub(/ /, "", mnemonic)
    operands = (n_fields >= 4) ? field[4] : ""
    if (mnemonic ~ /^\.(word|short|byte)$/) next       # literal pools
    why = ""
    if (length(encoding) != 8) why = "Thumb instruction: the program must be ARM state"
    else if (mnemonic == "nop") { if (encoding != "e1a00000") why = "hint instruction" }
    else if (mnemonic ~ coprocessor) { if (operands !~ /^p?15,/) why = "coprocessor other than CP15" }
    else if (mnemonic !~ allowed) why = "not ARMv4T"
    if (operands ~ /UNDEFINED|UNPREDICTABLE/) why = "undefined or unpredictable"
    if (why != "") {
        printf "%s: %s: %s %s (%s)%s\n", program, address, mnemonic, operands, why, where > "/dev/stderr"
        bad++
    }
}
END {
    if (checked == 0) {
        printf "%s: no instructions were checked\n", program > "/dev/stderr"
        exit 1
    }
    if (bad) {
        printf "%s: %d instruction(s) an ARMv4T core cannot run\n", program, bad > "/dev/stderr"
        exit 1
    }
}'
