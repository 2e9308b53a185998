#!/usr/bin/env python3
"""The cost meter's report (armcost.sh): joins the plugin's per-frame figures
with the timeline and writes costs.csv, scenes.md, top.txt and costs.png in
OUT. With --check BUDGETS, compares each scene's worst instruction count with
its budget instead, and fails naming the scene and the figures; --record
BUDGETS writes the measured worst counts as the budgets (keeping the file's
comment lines).

    report.py OUT
    report.py OUT --check BUDGETS
    report.py OUT --record BUDGETS
"""
import bisect
import collections
import sys

CYCLES_PER_SECOND = 200_000_000  # the ARM920T's clock
BUDGET_60 = CYCLES_PER_SECOND // 60
BUDGET_30 = CYCLES_PER_SECOND // 30
TOP_FUNCTIONS = 15


def read_frames(out):
    frames, profile, copy = [], [], 0
    with open(f"{out}/frames.txt") as f:
        for line in f:
            w = line.split()
            if w[0] == "frame":
                frames.append([int(x) for x in w[1:]])
            elif w[0] == "insn":
                profile.append((int(w[1], 16), int(w[2]), int(w[3])))
            elif w[0] == "copy":
                copy = int(w[1])
    with open(f"{out}/timeline.txt") as f:
        timeline = [line.rstrip("\n").split(" ", 2) for line in f]
    if len(frames) != len(timeline):
        sys.exit(f"armcost: {len(frames)} frames measured, but the timeline has {len(timeline)}")
    rows = []
    for (index, insns, loads, stores, redirects, imiss, dmiss, cycles, pinsns, pcycles), (
        time, mask, scene,
    ) in zip(frames, timeline):
        rows.append(dict(time=int(time), mask=mask, scene=scene, insns=insns, loads=loads,
                         stores=stores, redirects=redirects, imiss=imiss, dmiss=dmiss,
                         cycles=cycles, present_insns=pinsns, present_cycles=pcycles))
    return rows, profile, copy


def by_scene(rows):
    scenes = collections.OrderedDict()
    for r in rows:
        scenes.setdefault(r["scene"], []).append(r)
    return scenes


def write_csv(out, rows, copy):
    keys = ["time", "mask", "scene", "insns", "loads", "stores", "redirects", "imiss", "dmiss",
            "cycles", "present_insns", "present_cycles"]
    with open(f"{out}/costs.csv", "w") as f:
        f.write("demo_ms,scene_mask,scene,instructions,loads,stores,redirects,icache_misses,"
                "dcache_misses,estimated_cycles,desktop_present_instructions,"
                f"desktop_present_cycles  # estimated_cycles: present path left out, "
                f"a frame copy ({copy} cycles) counted instead\n")
        for r in rows:
            f.write(",".join(str(r[k]) for k in keys) + "\n")


def write_table(out, rows):
    over60 = sum(r["cycles"] > BUDGET_60 for r in rows)
    over30 = sum(r["cycles"] > BUDGET_30 for r in rows)
    lines = [f"{len(rows)} frames; {over60} over the 60 fps budget ({BUDGET_60:,} cycles), "
             f"{over30} over the 30 fps one ({BUDGET_30:,}).", "",
             "| scene | frames | mean M cycles | worst M cycles (at ms) | worst M instructions "
             "| over 60 fps | over 30 fps |", "|---|---:|---:|---:|---:|---:|---:|"]
    for scene, rs in by_scene(rows).items():
        worst = max(rs, key=lambda r: r["cycles"])
        mean = sum(r["cycles"] for r in rs) / len(rs)
        lines.append(f"| {scene} | {len(rs)} | {mean / 1e6:.2f} | {worst['cycles'] / 1e6:.2f} "
                     f"({worst['time']}) | {max(r['insns'] for r in rs) / 1e6:.2f} "
                     f"| {sum(r['cycles'] > BUDGET_60 for r in rs)} "
                     f"| {sum(r['cycles'] > BUDGET_30 for r in rs)} |")
    with open(f"{out}/scenes.md", "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


def write_top(out, rows, profile, copy):
    worst = max(rows, key=lambda r: r["cycles"])
    symbols = []
    with open(f"{out}/symbols.txt") as f:
        for line in f:
            w = line.split(None, 3)
            if len(w) == 4 and w[2] in "tTwW":
                symbols.append((int(w[0], 16), int(w[1], 16), w[3].strip()))
    symbols.sort()
    starts = [s[0] for s in symbols]
    totals = collections.Counter()
    counts = collections.Counter()
    for addr, count, cycles in profile:
        i = bisect.bisect_right(starts, addr) - 1
        name = "(shared libraries: C library, SDL)"
        if i >= 0 and addr < symbols[i][0] + symbols[i][1]:
            name = symbols[i][2]
        totals[name] += cycles
        counts[name] += count
    # The frame's estimate counts a frame copy instead of the present path:
    # listed too, so the cycles add up to the frame's.
    totals["(the frame copy counted for the present path)"] = copy
    allc = sum(totals.values()) or 1
    alli = sum(counts.values()) or 1
    lines = [f"The costliest frame: {worst['time']} ms, {worst['scene']}, "
             f"{worst['cycles']:,} estimated cycles, {worst['insns']:,} instructions",
             "", f"{'M cycles':>9} {'%':>5} {'M insns':>8} {'%':>5}  function"]
    for name, cycles in totals.most_common(TOP_FUNCTIONS):
        lines.append(f"{cycles / 1e6:9.3f} {100 * cycles / allc:5.1f} {counts[name] / 1e6:8.3f} "
                     f"{100 * counts[name] / alli:5.1f}  {name}")
    with open(f"{out}/top.txt", "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


def write_plot(out, rows):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("armcost: no plot (python3-matplotlib is not installed)")
        return
    fig, ax = plt.subplots(figsize=(14, 6), dpi=100)
    t = [r["time"] / 1000 for r in rows]
    ax.plot(t, [r["cycles"] / 1e6 for r in rows], lw=0.6, color="tab:blue",
            label="estimated cycles per frame")
    ax.axhline(BUDGET_60 / 1e6, color="tab:green", lw=1.2, label="60 fps budget (3.33 M)")
    ax.axhline(BUDGET_30 / 1e6, color="tab:red", lw=1.2, label="30 fps budget (6.67 M)")
    top = max(max(r["cycles"] for r in rows) / 1e6, BUDGET_30 / 1e6) * 1.12
    ax.set_ylim(0, top)
    step = (rows[1]["time"] - rows[0]["time"]) / 1000 if len(rows) > 1 else 0.02
    # Each scene named once over its whole stretch; its overlay runs shaded.
    shaded = False
    for group in spans(rows, lambda r: r["scene"]):
        if "under the overlay" in group[0]["scene"]:
            ax.axvspan(group[0]["time"] / 1000 - step, group[-1]["time"] / 1000, color="0.85",
                       lw=0, label=None if shaded else "under the overlay")
            shaded = True
    for group in spans(rows, lambda r: r["scene"].split(" under ")[0]):
        a, b = group[0]["time"] / 1000, group[-1]["time"] / 1000
        if b - a >= 3:
            ax.text((a + b) / 2, top * 0.97, group[0]["scene"].split(" under ")[0], ha="center",
                    va="top", fontsize=9)
    ax.set_xlabel("demo time (s)")
    ax.set_ylabel("million cycles per frame (ARM920T, 200 MHz)")
    ax.set_title("Estimated ARM920T cycles per frame, present path replaced by a frame copy")
    ax.legend(loc="lower right", fontsize=8)
    fig.tight_layout()
    fig.savefig(f"{out}/costs.png")


def spans(rows, key):
    """Runs of consecutive frames with the same key."""
    group = []
    for r in rows:
        if group and key(r) != key(group[0]):
            yield group
            group = []
        group.append(r)
    if group:
        yield group


# How far a frame may go over its scene's budget before the check fails. The
# counts include the sysroot's C library (memcpy, memset), which a Debian
# point release may change by a few instructions; a regression of our own
# worth stopping is larger than this.
BUDGET_HEADROOM = 0.005


def check(rows, budgets_path):
    budgets = {}
    with open(budgets_path) as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                scene, limit = line.rsplit(None, 1)
                budgets[scene] = int(limit)
    failed = False
    for scene, rs in by_scene(rows).items():
        worst = max(rs, key=lambda r: r["insns"])
        if scene not in budgets:
            print(f"armcost check: {scene}: no budget in {budgets_path}")
            failed = True
        elif worst["insns"] > budgets[scene] * (1 + BUDGET_HEADROOM):
            print(f"armcost check FAILED: {scene}: {worst['insns']:,} instructions at {worst['time']} ms, "
                  f"over its budget of {budgets[scene]:,} "
                  f"(estimated {worst['cycles']:,} cycles)")
            failed = True
        else:
            print(f"armcost check: {scene}: worst {worst['insns']:,} instructions "
                  f"(budget {budgets[scene]:,}), {len(rs)} frames")
    return 1 if failed else 0


def record(rows, budgets_path):
    """Writes each scene's worst instruction count as its budget."""
    with open(budgets_path) as f:
        header = [line for line in f if line.startswith("#")]
    with open(budgets_path, "w") as f:
        f.writelines(header)
        for scene, rs in by_scene(rows).items():
            f.write(f"{scene:<32} {max(r['insns'] for r in rs)}\n")


def main():
    out = sys.argv[1]
    rows, profile, copy = read_frames(out)
    if len(sys.argv) == 4 and sys.argv[2] == "--check":
        sys.exit(check(rows, sys.argv[3]))
    if len(sys.argv) == 4 and sys.argv[2] == "--record":
        record(rows, sys.argv[3])
        return
    write_csv(out, rows, copy)
    write_table(out, rows)
    write_top(out, rows, profile, copy)
    write_plot(out, rows)


if __name__ == "__main__":
    main()
