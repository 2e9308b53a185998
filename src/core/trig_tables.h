// The two global lookup tables behind every angle of the show.
//
// Angles are 16-bit (65536 units to a turn) and index the tables directly.
// Both tables hold the *negated* sine and cosine as 16.16 values in
// -65535..65535; they are built once at start-up in four stages so that the
// loading bar can advance between them.
#pragma once

#include <cstdint>

extern int32_t SineTable[65536];
extern int32_t CosineTable[65536];

// Stage 1: entries 0..16383 of SineTable from the C library's sin().
void buildSineQuarter();
// Stage 2: entries 16384..32767 mirror the first quarter.
void mirrorSineQuarter();
// Stage 3: entries 32768..65535 are the negated first half.
void negateSineHalf();
// Stage 4: CosineTable is SineTable shifted by a quarter turn.
void buildCosineTable();

// All four stages in order.
void buildTrigTables();
