// One generated asset folder shared by the asset tests of a run: the
// generator is run once (without the music, which has tests of its own).
#pragma once

#include <string>

#include "test_support.h"

// Folder holding a complete set written by `demo-assets --out DIR --no-music`.
const std::string& generatedAssets();

// Runs demo-assets with `arguments`; returns its exit status and output.
int runAssets(const std::string& arguments, std::string* output = nullptr);
