@ Caches for the ARM940T, set up through its protection unit (CP15).
@
@ The ARM940T has no MMU: up to eight regions, each a power-of-two size at an
@ aligned base, decide which addresses are cached (c2), write-buffered (c3)
@ and accessible (c5); c6 holds each region's base, size and enable bit; the
@ higher-numbered region wins where regions overlap. Its 4 KiB instruction
@ and data caches only work once the protection unit is on (c1).
@
@ Our regions (the same for instruction and data side):
@   0  0x00000000  4 GiB   uncached, unbuffered  everything else (background)
@   1  0x00000000  8 MiB   cached, write-back    program, .bss, heap, stack
@   2  0x00200000  32 KiB  uncached, unbuffered  the shared block (0x200000-
@                                                0x20401F) and the heap's
@                                                unused first bytes
@   3  0x00700000  1 MiB   uncached, unbuffered  music area below 8 MiB (the
@                                                rest lies in region 0)
@ The main CPU writes the shared block's words and the music, and reads the
@ PCM and the buffer flags: leaving those uncached and unbuffered means every
@ load sees its stores and our stores reach memory in program order, a PCM
@ block before its flag, with no cache cleaning at all.
@
@ Only the real chip runs this: its ID register names part 0x940. Under an
@ emulator of another ARMv4T core the ID differs and we return at once, so
@ the emulator needs no protection unit of its own.

        .syntax unified
        .arm
        .text
        .global setupProtectionUnit
        .type setupProtectionUnit, %function
setupProtectionUnit:
        mrc     p15, 0, r0, c0, c0, 0   @ main ID register
        ldr     r1, =0xFFF0
        and     r0, r0, r1
        ldr     r1, =0x9400             @ part number 0x940 in bits 15..4
        cmp     r0, r1
        bxne    lr

        mrc     p15, 0, r0, c1, c0, 0   @ protection unit and caches off
        bic     r0, r0, #0x1000         @ I cache
        bic     r0, r0, #0x0005         @ D cache, protection unit
        mcr     p15, 0, r0, c1, c0, 0
        mov     r0, #0
        mcr     p15, 0, r0, c7, c5, 0   @ invalidate the instruction cache
        mcr     p15, 0, r0, c7, c6, 0   @ invalidate the data cache

        @ Region base | size field (size = 2^(n+1): n << 1) | enable.
        ldr     r0, =0x0000003F         @ region 0: 0, 4 GiB (n = 31)
        mcr     p15, 0, r0, c6, c0, 0
        mcr     p15, 0, r0, c6, c0, 1
        ldr     r0, =0x0000002D         @ region 1: 0, 8 MiB (n = 22)
        mcr     p15, 0, r0, c6, c1, 0
        mcr     p15, 0, r0, c6, c1, 1
        ldr     r0, =0x0020001D         @ region 2: 0x200000, 32 KiB (n = 14)
        mcr     p15, 0, r0, c6, c2, 0
        mcr     p15, 0, r0, c6, c2, 1
        ldr     r0, =0x00700027         @ region 3: 0x700000, 1 MiB (n = 19)
        mcr     p15, 0, r0, c6, c3, 0
        mcr     p15, 0, r0, c6, c3, 1
        mov     r0, #0                  @ regions 4-7 off
        mcr     p15, 0, r0, c6, c4, 0
        mcr     p15, 0, r0, c6, c4, 1
        mcr     p15, 0, r0, c6, c5, 0
        mcr     p15, 0, r0, c6, c5, 1
        mcr     p15, 0, r0, c6, c6, 0
        mcr     p15, 0, r0, c6, c6, 1
        mcr     p15, 0, r0, c6, c7, 0
        mcr     p15, 0, r0, c6, c7, 1

        mov     r0, #0x02               @ only region 1 is cacheable ...
        mcr     p15, 0, r0, c2, c0, 0   @ ... for data
        mcr     p15, 0, r0, c2, c0, 1   @ ... and instructions
        mcr     p15, 0, r0, c3, c0, 0   @ ... and write-buffered (write-back)
        ldr     r0, =0xFFFF             @ full access in every region
        mcr     p15, 0, r0, c5, c0, 0
        mcr     p15, 0, r0, c5, c0, 1

        mrc     p15, 0, r0, c1, c0, 0   @ protection unit, D and I cache on
        orr     r0, r0, #0x1000
        orr     r0, r0, #0x0005
        mcr     p15, 0, r0, c1, c0, 0
        bx      lr
        .size setupProtectionUnit, . - setupProtectionUnit
