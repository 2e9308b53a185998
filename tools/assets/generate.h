#pragma once

#include <string>

// Writes every asset into `dir` (created if needed), on two threads.
bool generateAssets(const std::string& dir, bool withMusic);
