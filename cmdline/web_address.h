// web_address.h -- the page's address (?seed=N&frames=N&resolution=R&fps=N)
// read by the command lines' own rules: plain C++, so that it builds and is
// fuzzed anywhere.
#pragma once

#include <string>

#include "settings.h"
#include "snap_args.h"

// ---- types ----

// The address's display settings; the frame limit is 60 unless given.
struct PageSettings {
    Resolution resolution;
    bool resolutionGiven = false;
    int maxFps = 60;
};

// The decoded values of the address's parameters (null: not in it).
struct AddressValues {
    const std::string *seed = nullptr, *frames = nullptr;
    const std::string *resolution = nullptr, *fps = nullptr;
};

// ---- functions ----

// Reads values into opts and page; returns "" or the problem in one line,
// named after the parameter.
std::string parseAddress(const AddressValues &values, SnapOptions &opts, PageSettings &page);
