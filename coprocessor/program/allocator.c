/* malloc and friends for the decoder, over the heap area of our working
 * memory (between the linker symbols __heap_start and __heap_end).
 *
 * Blocks lie end to end in the area, each behind an 8-byte header holding
 * its whole size (a multiple of 8) and whether it is in use. Allocation takes
 * the first free block that fits, merging free neighbours on the way and
 * splitting off the rest. The decoder makes a few hundred allocations when it
 * opens the stream and then mostly reuses them, so a linear walk is enough.
 * These definitions replace the C library's allocator, which is never linked. */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

extern uint8_t __heap_start[];
extern uint8_t __heap_end[];

#define HEADER_SIZE 8u
#define IN_USE 1u
#define MIN_SPLIT (HEADER_SIZE + 8u)

struct Header {
    uint32_t sizeAndUse; /* whole block size | IN_USE */
    uint32_t unused;     /* keeps the payload 8-byte aligned */
};

static int initialised;

static struct Header* first(void) { return (struct Header*)__heap_start; }
static uint32_t sizeOf(const struct Header* h) { return h->sizeAndUse & ~IN_USE; }
static int isFree(const struct Header* h) { return !(h->sizeAndUse & IN_USE); }
static struct Header* after(struct Header* h) {
    return (struct Header*)((uint8_t*)h + sizeOf(h));
}
static int atEnd(const struct Header* h) { return (const uint8_t*)h >= __heap_end; }

static void initialise(void) {
    first()->sizeAndUse = (uint32_t)(__heap_end - __heap_start) & ~7u;
    initialised = 1;
}

/* Swallows the free blocks that follow the free block `h`. */
static void mergeFollowing(struct Header* h) {
    for (struct Header* next = after(h); !atEnd(next) && isFree(next); next = after(h))
        h->sizeAndUse += sizeOf(next);
}

/* Marks `h` in use with `need` bytes, returning any large rest as free. */
static void take(struct Header* h, uint32_t need) {
    const uint32_t size = sizeOf(h);
    if (size - need >= MIN_SPLIT) {
        struct Header* rest = (struct Header*)((uint8_t*)h + need);
        rest->sizeAndUse = size - need;
        h->sizeAndUse = need | IN_USE;
    } else {
        h->sizeAndUse = size | IN_USE;
    }
}

static uint32_t blockSizeFor(size_t bytes) {
    if (bytes > (size_t)(__heap_end - __heap_start)) return 0;
    return ((uint32_t)bytes + HEADER_SIZE + 7u) & ~7u;
}

void* malloc(size_t bytes) {
    if (!initialised) initialise();
    const uint32_t need = blockSizeFor(bytes);
    if (need == 0) return NULL;
    for (struct Header* h = first(); !atEnd(h); h = after(h)) {
        if (!isFree(h)) continue;
        mergeFollowing(h);
        if (sizeOf(h) >= need) {
            take(h, need);
            return (uint8_t*)h + HEADER_SIZE;
        }
    }
    return NULL;
}

void free(void* pointer) {
    if (!pointer) return;
    struct Header* h = (struct Header*)((uint8_t*)pointer - HEADER_SIZE);
    h->sizeAndUse &= ~IN_USE;
    mergeFollowing(h);
}

void* calloc(size_t count, size_t size) {
    if (size && count > SIZE_MAX / size) return NULL;
    void* pointer = malloc(count * size);
    if (pointer) memset(pointer, 0, count * size);
    return pointer;
}

void* realloc(void* pointer, size_t bytes) {
    if (!pointer) return malloc(bytes);
    if (bytes == 0) {
        free(pointer);
        return NULL;
    }
    struct Header* h = (struct Header*)((uint8_t*)pointer - HEADER_SIZE);
    const uint32_t need = blockSizeFor(bytes);
    if (need == 0) return NULL;
    const uint32_t oldPayload = sizeOf(h) - HEADER_SIZE;
    /* Grow in place into free neighbours where possible. */
    h->sizeAndUse &= ~IN_USE;
    mergeFollowing(h);
    if (sizeOf(h) >= need) {
        take(h, need);
        return pointer;
    }
    h->sizeAndUse |= IN_USE;
    void* moved = malloc(bytes);
    if (!moved) return NULL;
    memcpy(moved, pointer, oldPayload < bytes ? oldPayload : bytes);
    free(pointer);
    return moved;
}
