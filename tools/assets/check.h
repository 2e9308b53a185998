#pragma once

#include <string>

// Verifies every asset in `dir`: prints one line per problem to stdout and
// returns true when there is none.
bool checkAssets(const std::string& dir, bool withMusic);
