// The shared sound block (core/shared_block.h) as the main CPU's C++ sees it:
// every word a SharedWord, loaded with acquire and stored with release.
#pragma once

#include "platform/shared_word.h"

#define SHARED_BLOCK_WORD SharedWord
#include "core/shared_block.h"
