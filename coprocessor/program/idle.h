/* The one routine every wait loop of the program calls, once per look at a
 * shared word; the program also calls it once after each block it hands
 * over, so that it is reached at least every 2048 frames of sound. It lies
 * at a fixed address (IDLE_ROUTINE_ADDRESS, checked by the linker script) so
 * that an emulator can take control there: give the host processor back
 * while the program waits, and notice reset and pause between blocks.
 * `reason` tells such an observer why the program came. */
#ifndef IDLE_H
#define IDLE_H

#define IDLE_ROUTINE_ADDRESS 0x20

enum IdleReason {
    IDLE_WAITING_FOR_MUSIC = 0,  /* newData/loadDone not yet 1 */
    IDLE_WAITING_FOR_BUFFER = 1, /* play is 0, or the next buffer is still full */
    IDLE_FINISHED = 2,           /* the music has been handed over to its end */
    IDLE_TRAPPED = 3,            /* an exception stopped the program */
    IDLE_HANDED_OVER = 4         /* not a wait: a block was just handed over */
};

void coprocessorIdle(enum IdleReason reason);

#endif
