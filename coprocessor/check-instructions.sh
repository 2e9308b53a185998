#!/bin/sh
# Fails when a linked program for the second CPU holds an instruction that an
# ARM940T (ARMv4T, ARM state, no FPU) cannot run.
#
#   check-instructions.sh OBJDUMP PROGRAM.elf
#
# Every instruction of the disassembly must be ARMv4T: data processing and
# shifts, multiplies (including the long ones), single and multiple loads and
# stores (word, byte, halfword, signed), swp, b/bl/bx, svc, mrs/msr, and
# coprocessor access to CP15 only. Anything else -- blx, clz, ldrd/strd, pld,
# saturating and halfword multiplies (ARMv5), media and exclusive instructions
# (ARMv6), movw/movt and bitfields (ARMv6T2), barriers, VFP/NEON, Thumb code
# -- is reported with its address and the build fails.
set -eu
objdump=$1
program=$2

# Thumb code is marked by $t mapping symbols; the program is ARM state only.
if "$objdump" -t "$program" | awk '$NF ~ /^\$t/ { found = 1 } END { exit !found }'; then
    echo "$program: holds Thumb code; the second CPU's program must be ARM state only" >&2
    exit 1
fi

"$objdump" -d "$program" | awk -v program="$program" '
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
}
# Instruction lines: "  addr:\tencoding \tmnemonic\toperands"
/^ *[0-9a-f]+:\t/ {
    n = split($0, field, "\t")
    if (n < 3) next
    encoding = field[2]; gsub(/ /, "", encoding)
    mnemonic = field[3]; gsub(/ /, "", mnemonic)
    operands = (n >= 4) ? field[4] : ""
    if (mnemonic ~ /^\.(word|short|byte)$/) next       # literal pools
    address = field[1]; gsub(/[ :]/, "", address)
    why = ""
    if (length(encoding) != 8) why = "Thumb instruction: the program must be ARM state"
    else if (mnemonic == "nop") { if (encoding != "e1a00000") why = "hint instruction" }
    else if (mnemonic ~ coprocessor) { if (operands !~ /^p?15,/) why = "coprocessor other than CP15" }
    else if (mnemonic !~ allowed) why = "not ARMv4T"
    if (operands ~ /UNDEFINED|UNPREDICTABLE/) why = "undefined or unpredictable"
    if (why != "") {
        printf "%s: %s: %s %s (%s)\n", program, address, mnemonic, operands, why > "/dev/stderr"
        bad++
    }
}
END {
    if (bad) {
        printf "%s: %d instruction(s) an ARM940T cannot run\n", program, bad > "/dev/stderr"
        exit 1
    }
}'
