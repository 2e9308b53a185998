@ Start-up of the music program on the second CPU (an ARM940T: ARMv4T, ARM
@ state). The main CPU copies the image to our address 0 and releases reset;
@ execution starts at the reset vector with the MMU-less core in supervisor
@ mode. Nothing here uses interrupts: every other vector traps.

        .syntax unified
        .arm

        .section .vectors, "ax"
        .global _start
_start:
        b       reset           @ 0x00 reset
        b       trap            @ 0x04 undefined instruction
        b       trap            @ 0x08 software interrupt
        b       trap            @ 0x0C prefetch abort
        b       trap            @ 0x10 data abort
        b       trap            @ 0x14 reserved
        b       trap            @ 0x18 IRQ
        b       trap            @ 0x1C FIQ

@ void coprocessorIdle(enum IdleReason reason) -- at 0x20, fixed.
@ Every wait loop calls it once per look at a shared word. On the handheld it
@ only spends a few dozen cycles in cached code, so that polling does not
@ hammer the memory bus the main CPU needs; an emulator hooks its address and
@ sleeps instead. r0 (the reason) is left for the hook to read.
        .section .idle, "ax"
        .global coprocessorIdle
        .type coprocessorIdle, %function
coprocessorIdle:
        mov     r1, #32
1:      subs    r1, r1, #1
        bne     1b
        bx      lr
        .size coprocessorIdle, . - coprocessorIdle

@ At 0x30, never executed: what the desktop recognises this program by
@ (magic, then a little-endian format version), to run it in its emulated
@ ARM940T, or in its native stand-in where it has no emulator.
        .section .identity, "a"
        .ascii  "QVN940AR"
        .word   1
        .word   0

        .text
        .type reset, %function
reset:
        msr     cpsr_c, #0xD3           @ supervisor mode, IRQ and FIQ masked
        ldr     sp, =__stack_top
        bl      setupProtectionUnit     @ caches on the handheld; no-op elsewhere
        ldr     r0, =__bss_start        @ clear .bss (the image holds no zeros for it)
        ldr     r1, =__bss_end
        mov     r2, #0
2:      cmp     r0, r1
        strlo   r2, [r0], #4
        blo     2b
        bl      main
        @ main never returns; should it, wait for good.
        b       finished

        .type trap, %function
trap:
        msr     cpsr_c, #0xD3           @ back to supervisor mode, with its stack
        ldr     sp, =__stack_top
3:      mov     r0, #3                  @ IDLE_TRAPPED
        bl      coprocessorIdle
        b       3b

finished:
        mov     r0, #2                  @ IDLE_FINISHED
        bl      coprocessorIdle
        b       finished
