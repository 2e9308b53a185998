// A TCG plugin for qemu-arm that estimates what each frame of the show costs
// the handheld's ARM920T: it counts, per frame, the instructions, loads,
// stores and pipeline redirects, models the two caches, and turns the counts
// into cycles with the model below.
//
//   qemu-arm -plugin arm920t_cost.so,frame=A,present=A,caller=A-B,back=A-B,out=FILE ...
//
// frame    entry of the function that draws and presents one frame
// present  entry of the desktop's present path inside it (counted apart)
// caller   address range of the function that calls the frame function: the
//          first instruction run there after a frame's start ends the frame
// back     address range of the frame function itself: the first instruction
//          run there (or in the caller) after the present's start ends it
// out      where the per-frame figures go, one line a frame, followed by the
//          costliest frame's instructions ("insn ADDR COUNT CYCLES")
//
// The addresses come from the program's symbols (armcost.sh), so the meter
// follows the code when it moves.
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

// ---- The cycle model: every constant in one place ----
//
// The ARM920T's five-stage pipeline issues one instruction a cycle; what
// follows are the documented ways it takes longer (ARM920T technical
// reference manual, instruction cycle timings), and the memory system of a
// 200 MHz part behind a 100 MHz SDRAM bus.
enum {
    // A taken branch or any other write to pc refills fetch and decode.
    REDIRECT_CYCLES = 2,
    // ... and a pc loaded from memory waits for the load's write-back too.
    PC_LOAD_EXTRA_CYCLES = 2,
    // LDR's result arrives a cycle late for the next instruction.
    LOAD_USE_WORD = 1,
    // Bytes and halfwords are extended in the write-back stage: two cycles
    // late for the next instruction, one for the one after.
    LOAD_USE_NARROW_NEXT = 2,
    LOAD_USE_NARROW_SECOND = 1,
    // A shift by a register reads a third register: one more cycle.
    REGISTER_SHIFT_EXTRA = 1,
    // MUL/MLA take 3 cycles on average operands, long multiplies 4 (the
    // early-terminating multiplier's typical figures for 16.16 operands).
    MULTIPLY_EXTRA = 2,
    LONG_MULTIPLY_EXTRA = 3,
    // LDM/STM move one register a cycle: n cycles for n registers.
    // A cache line fill: 8 words over the 100 MHz 32-bit SDRAM bus, with
    // the row access first, seen from the 200 MHz core.
    LINE_FILL_CYCLES = 30,
    // A store that misses goes into the write buffer; draining it to SDRAM
    // holds the core when stores come back to back.
    STORE_MISS_CYCLES = 2,
    // A dirty half line (4 words) written back when its line is replaced.
    HALF_LINE_WRITE_BACK_CYCLES = 8,
};

// The caches: 16 KB each, 64-way set-associative, 32-byte lines (8 sets),
// round-robin replacement; the data cache is write-back and allocates lines
// on reads only.
enum {
    CACHE_BYTES = 16 * 1024,
    CACHE_WAYS = 64,
    LINE_SHIFT = 5,
    CACHE_SETS = CACHE_BYTES / CACHE_WAYS / (1 << LINE_SHIFT),
};

// On the device the present path is one copy of the frame (320x240 RGB565,
// 153,600 bytes) into the display's buffer: blocks of 8 words, each one LDM
// and one STM of 8 registers, a subtract and a taken branch; the source
// lines come in through the data cache, the stores miss it (the display
// buffer is not cached).
enum {
    FRAME_COPY_BYTES = 320 * 240 * 2,
    FRAME_COPY_BLOCK_WORDS = 8,
    FRAME_COPY_BLOCKS = FRAME_COPY_BYTES / (4 * FRAME_COPY_BLOCK_WORDS),
    FRAME_COPY_CYCLES =
        FRAME_COPY_BLOCKS * (2 * FRAME_COPY_BLOCK_WORDS + 2 + REDIRECT_CYCLES + LINE_FILL_CYCLES +
                             FRAME_COPY_BLOCK_WORDS * STORE_MISS_CYCLES),
};
// ---- end of the cycle model ----

typedef struct {
    uint64_t tag[CACHE_SETS][CACHE_WAYS];  // line address + 1; 0 is empty
    uint8_t dirty[CACHE_SETS][CACHE_WAYS]; // bit 0: first half, bit 1: second
    unsigned next[CACHE_SETS];             // round-robin victim
    uint64_t lastLine;                     // + 1: the line the last access found (most do again)
    unsigned lastSet, lastWay;
} Cache;

// Read-only once translated.
typedef struct {
    uint64_t vaddr;
    uint32_t staticCycles; // the instruction's own cycles and its interlocks
    uint8_t loadsPc;       // an LDR or LDM that writes pc
    uint8_t block;         // LDM/STM: a cycle per register moved
    uint8_t role;          // below
    // Counts in the frame being measured, and in the costliest frame so far.
    uint64_t frameCount, frameCycles, worstCount, worstCycles;
    uint8_t touched;
} Insn;

enum { ROLE_NONE, ROLE_FRAME, ROLE_PRESENT, ROLE_CALLER, ROLE_BACK };

typedef struct {
    uint64_t insns, loads, stores, redirects, imiss, dmiss, cycles;
} Counts;

static uint64_t frameEntry, presentEntry, callerStart, callerEnd, backStart, backEnd;
static FILE* out;
static Cache icache, dcache;

static enum { OUTSIDE, IN_FRAME, IN_PRESENT } where;
static Counts frame, present;
static Counts* counting; // frame, present or a sink outside frames
static Counts outside;
static uint64_t expectedPc; // where the last instruction would go on
static Insn* last;
static unsigned blockAccesses;
static uint64_t frameIndex;

// The instructions run in the frame being measured, and in the costliest
// frame so far.
typedef struct {
    Insn** items;
    size_t count, capacity;
} InsnList;
static InsnList touched, worst;
static uint64_t worstCycles, worstFrame;

static void append(InsnList* list, Insn* in) {
    if (list->count == list->capacity) {
        list->capacity = list->capacity ? 2 * list->capacity : 4096;
        list->items = realloc(list->items, list->capacity * sizeof *list->items);
        if (!list->items) abort();
    }
    list->items[list->count++] = in;
}

// Looks addr up; on a miss with `allocate`, fills its line in place of the
// set's round-robin victim, adding the victim's write-back to *cycles (the
// instruction whose miss evicts a dirty line is the one that waits for it).
static int cacheLookup(Cache* c, uint64_t addr, int allocate, int markDirty, uint64_t* cycles) {
    const uint64_t line = (addr >> LINE_SHIFT) + 1;
    const unsigned set = (unsigned)((line - 1) & (CACHE_SETS - 1));
    if (line == c->lastLine) {
        if (markDirty) c->dirty[c->lastSet][c->lastWay] |= 1u << ((addr >> 4) & 1);
        return 1;
    }
    for (unsigned w = 0; w < CACHE_WAYS; w++) {
        if (c->tag[set][w] == line) {
            c->lastLine = line;
            c->lastSet = set;
            c->lastWay = w;
            if (markDirty) c->dirty[set][w] |= 1u << ((addr >> 4) & 1);
            return 1;
        }
    }
    if (!allocate) return 0;
    const unsigned w = c->next[set];
    c->next[set] = (w + 1) % CACHE_WAYS;
    const unsigned d = c->dirty[set][w];
    *cycles += (uint64_t)((d & 1) + (d >> 1)) * HALF_LINE_WRITE_BACK_CYCLES;
    c->tag[set][w] = line;
    c->dirty[set][w] = 0;
    c->lastLine = line;
    c->lastSet = set;
    c->lastWay = w;
    return 0;
}

static void endFrame(void) {
    fprintf(out,
            "frame %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64
            " %" PRIu64 " %" PRIu64 " %" PRIu64 "\n",
            frameIndex, frame.insns, frame.loads, frame.stores, frame.redirects, frame.imiss,
            frame.dmiss, frame.cycles + FRAME_COPY_CYCLES, present.insns, present.cycles);
    const int costliest = frame.cycles > worstCycles;
    if (costliest) {
        worstCycles = frame.cycles;
        worstFrame = frameIndex;
        for (size_t i = 0; i < worst.count; i++)
            worst.items[i]->worstCount = worst.items[i]->worstCycles = 0;
        worst.count = 0;
    }
    for (size_t i = 0; i < touched.count; i++) {
        Insn* in = touched.items[i];
        if (costliest) {
            in->worstCount = in->frameCount;
            in->worstCycles = in->frameCycles;
            append(&worst, in);
        }
        in->frameCount = in->frameCycles = 0;
        in->touched = 0;
    }
    touched.count = 0;
    memset(&frame, 0, sizeof frame);
    memset(&present, 0, sizeof present);
    frameIndex++;
}

// The thread that runs the frames. The desktop's other threads (the sound
// and the second CPU's stand-in) are not the main CPU's work on the device;
// they are left out, caches included.
static int mainVcpu = -1;

static void onExec(unsigned int vcpu, void* data) {
    Insn* in = data;
    if (mainVcpu < 0) {
        if (in->role != ROLE_FRAME) return;
        mainVcpu = (int)vcpu;
    } else if ((int)vcpu != mainVcpu) {
        return;
    }
    switch (in->role) {
    case ROLE_FRAME:
        if (where == OUTSIDE) {
            where = IN_FRAME;
            counting = &frame;
        }
        break;
    case ROLE_PRESENT:
        if (where == IN_FRAME) {
            where = IN_PRESENT;
            counting = &present;
        }
        break;
    case ROLE_BACK:
        if (where == IN_PRESENT) {
            where = IN_FRAME;
            counting = &frame;
        }
        break;
    case ROLE_CALLER:
        if (where != OUTSIDE) {
            endFrame();
            where = OUTSIDE;
            counting = &outside;
        }
        break;
    }
    Counts* c = counting;
    uint64_t cycles = in->staticCycles;
    if (in->vaddr != expectedPc && last) {
        c->redirects++;
        cycles += REDIRECT_CYCLES + (last->loadsPc ? PC_LOAD_EXTRA_CYCLES : 0);
    }
    if (!cacheLookup(&icache, in->vaddr, 1, 0, &cycles)) {
        c->imiss++;
        cycles += LINE_FILL_CYCLES;
    }
    c->insns++;
    c->cycles += cycles;
    if (where == IN_FRAME) {
        if (!in->touched) {
            in->touched = 1;
            append(&touched, in);
        }
        in->frameCount++;
        in->frameCycles += cycles;
    }
    expectedPc = in->vaddr + 4;
    last = in;
    blockAccesses = 0;
}

static void onMemory(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t vaddr, void* data) {
    if ((int)vcpu != mainVcpu) return;
    Insn* in = data;
    Counts* c = counting;
    uint64_t cycles = 0;
    if (in->block && blockAccesses++ > 0) cycles++;
    if (qemu_plugin_mem_is_store(info)) {
        c->stores++;
        if (!cacheLookup(&dcache, vaddr, 0, 1, &cycles)) cycles += STORE_MISS_CYCLES;
    } else {
        c->loads++;
        if (!cacheLookup(&dcache, vaddr, 1, 0, &cycles)) {
            c->dmiss++;
            cycles += LINE_FILL_CYCLES;
        }
    }
    c->cycles += cycles;
    if (where == IN_FRAME) in->frameCycles += cycles;
}

// ---- decoding an ARM instruction for the model ----

static unsigned reg(uint32_t word, int at) {
    return (word >> at) & 15;
}

// What kind of load writes a register the next instructions may wait for.
enum { NOT_LOAD, LOAD_WORD, LOAD_NARROW };

typedef struct {
    unsigned extra;    // cycles beyond the one every instruction takes
    unsigned readMask; // registers read
    int load;
    unsigned loadReg;
    int loadsPc, block;
} Decoded;

static Decoded decode(uint32_t w) {
    Decoded d = {0};
    if ((w >> 28) == 0xF) return d; // unconditional space: none in our code
    const unsigned kind = (w >> 25) & 7;
    const unsigned rn = 1u << reg(w, 16), rd = 1u << reg(w, 12), rs = 1u << reg(w, 8),
                   rm = 1u << reg(w, 0);
    const int isLoad = (w >> 20) & 1;
    switch (kind) {
    case 0:
        if ((w & 0x0FC000F0) == 0x00000090) { // MUL, MLA
            d.extra = MULTIPLY_EXTRA;
            d.readMask = rm | rs | (((w >> 21) & 1) ? rd : 0);
        } else if ((w & 0x0F8000F0) == 0x00800090) { // UMULL, UMLAL, SMULL, SMLAL
            d.extra = LONG_MULTIPLY_EXTRA;
            d.readMask = rm | rs | (((w >> 21) & 1) ? (rd | rn) : 0);
        } else if ((w & 0x0E000090) == 0x00000090 && (w & 0x60)) { // halfword, signed
            d.readMask = rn | (((w >> 22) & 1) ? 0 : rm) | (isLoad ? 0 : rd);
            if (isLoad) {
                d.load = LOAD_NARROW;
                d.loadReg = reg(w, 12);
            }
        } else if ((w & 0x0FFFFFD0) == 0x012FFF10) { // BX, BLX
            d.readMask = rm;
        } else {
            const unsigned op = (w >> 21) & 15;
            d.readMask = (op == 13 || op == 15 ? 0 : rn) | rm;
            if ((w >> 4) & 1) {
                d.extra = REGISTER_SHIFT_EXTRA;
                d.readMask |= rs;
            }
        }
        break;
    case 1: {
        const unsigned op = (w >> 21) & 15;
        d.readMask = op == 13 || op == 15 ? 0 : rn;
        break;
    }
    case 2:
    case 3:
        d.readMask = rn | (kind == 3 ? rm : 0) | (isLoad ? 0 : rd);
        if (isLoad) {
            d.load = ((w >> 22) & 1) ? LOAD_NARROW : LOAD_WORD;
            d.loadReg = reg(w, 12);
            d.loadsPc = reg(w, 12) == 15;
        }
        break;
    case 4:
        d.block = 1;
        d.readMask = rn | (isLoad ? 0 : (w & 0xFFFF));
        d.loadsPc = isLoad && ((w >> 15) & 1);
        break;
    default:
        break;
    }
    return d;
}

static void onTranslate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    (void)id;
    const size_t n = qemu_plugin_tb_n_insns(tb);
    uint32_t words[n + 2];
    for (size_t i = 0; i < n; i++) {
        const struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        words[i] = 0;
        if (qemu_plugin_insn_size(insn) == 4) memcpy(&words[i], qemu_plugin_insn_data(insn), 4);
    }
    words[n] = words[n + 1] = 0;
    for (size_t i = 0; i < n; i++) {
        struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        Insn* in = calloc(1, sizeof *in);
        if (!in) abort();
        in->vaddr = qemu_plugin_insn_vaddr(insn);
        const Decoded d = decode(words[i]);
        uint32_t cycles = 1 + d.extra;
        // Interlocks with the next instructions of the block (a block ends
        // at a branch, so they are the ones that run next).
        if (d.load != NOT_LOAD && !d.loadsPc) {
            const unsigned bit = 1u << d.loadReg;
            const int next = i + 1 < n && (decode(words[i + 1]).readMask & bit);
            const int second = i + 2 < n && (decode(words[i + 2]).readMask & bit);
            if (d.load == LOAD_WORD && next)
                cycles += LOAD_USE_WORD;
            else if (d.load == LOAD_NARROW && next)
                cycles += LOAD_USE_NARROW_NEXT;
            else if (d.load == LOAD_NARROW && second)
                cycles += LOAD_USE_NARROW_SECOND;
        }
        in->staticCycles = cycles;
        in->loadsPc = (uint8_t)d.loadsPc;
        in->block = (uint8_t)d.block;
        if (in->vaddr == frameEntry)
            in->role = ROLE_FRAME;
        else if (in->vaddr == presentEntry)
            in->role = ROLE_PRESENT;
        else if (in->vaddr >= callerStart && in->vaddr < callerEnd)
            in->role = ROLE_CALLER;
        else if (in->vaddr >= backStart && in->vaddr < backEnd)
            in->role = ROLE_BACK;
        qemu_plugin_register_vcpu_insn_exec_cb(insn, onExec, QEMU_PLUGIN_CB_NO_REGS, in);
        qemu_plugin_register_vcpu_mem_cb(insn, onMemory, QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_MEM_RW,
                                         in);
    }
}

static void onExit(qemu_plugin_id_t id, void* p) {
    (void)id;
    (void)p;
    if (where != OUTSIDE) endFrame();
    fprintf(out, "worst %" PRIu64 "\n", worstFrame);
    for (size_t i = 0; i < worst.count; i++) {
        const Insn* in = worst.items[i];
        fprintf(out, "insn %" PRIx64 " %" PRIu64 " %" PRIu64 "\n", in->vaddr, in->worstCount,
                in->worstCycles);
    }
    fclose(out);
}

static int parseRange(const char* text, uint64_t* start, uint64_t* end) {
    char* rest = NULL;
    *start = strtoull(text, &rest, 0);
    if (*rest != '-') return 0;
    *end = strtoull(rest + 1, &rest, 0);
    return *rest == 0 && *end > *start;
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                           char** argv) {
    if (strcmp(info->target_name, "arm") != 0) {
        fprintf(stderr, "arm920t_cost: runs in qemu-arm only, not %s\n", info->target_name);
        return -1;
    }
    const char* path = NULL;
    int ok = 1;
    for (int i = 0; i < argc; i++) {
        const char* a = argv[i];
        if (!strncmp(a, "frame=", 6))
            frameEntry = strtoull(a + 6, NULL, 0);
        else if (!strncmp(a, "present=", 8))
            presentEntry = strtoull(a + 8, NULL, 0);
        else if (!strncmp(a, "caller=", 7))
            ok &= parseRange(a + 7, &callerStart, &callerEnd);
        else if (!strncmp(a, "back=", 5))
            ok &= parseRange(a + 5, &backStart, &backEnd);
        else if (!strncmp(a, "out=", 4))
            path = a + 4;
        else
            ok = 0;
    }
    if (!ok || !frameEntry || !presentEntry || !callerEnd || !backEnd || !path) {
        fprintf(stderr, "arm920t_cost: needs frame=, present=, caller=A-B, back=A-B and out=\n");
        return -1;
    }
    out = fopen(path, "w");
    if (!out) {
        fprintf(stderr, "arm920t_cost: cannot write %s\n", path);
        return -1;
    }
    fprintf(out, "copy %d\n", FRAME_COPY_CYCLES);
    counting = &outside;
    qemu_plugin_register_vcpu_tb_trans_cb(id, onTranslate);
    qemu_plugin_register_atexit_cb(id, onExit, NULL);
    return 0;
}
