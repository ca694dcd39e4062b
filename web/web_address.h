// web_address.h -- the page's address (?seed=N&frames=N) read by
// boxcity-snap's rules: plain C++, so that it builds and is fuzzed anywhere.
#pragma once

#include <string>

#include "snap_args.h"

// The decoded values of seed and frames (null: not in the address) into
// opts; returns "" or the problem in one line, named after the parameter.
std::string parseAddress(const std::string *seed, const std::string *frames, SnapOptions &opts);
