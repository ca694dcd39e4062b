// snap_out.h -- the files boxcity-snap writes. Each goes to a temporary file
// in the same folder and is renamed into place only once it is complete, so a
// failure never leaves a partial file behind.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// "cannot write PATH: reason", the one line every failed write reports.
std::string cannotWrite(const std::string &path, int err);

// Creates a fresh temporary file beside path, with the mode a plain create
// would give it; returns its descriptor, or -1 with errno set.
int createTemporary(const std::string &path, std::string &tempPath);

// Checks early, before a long run, that path can be written: creates and
// removes a temporary file beside it. Returns an empty string or the problem.
std::string probeWritable(const std::string &path);

// Writes path through fill (which returns false on a write error).
// Returns an empty string or the problem.
std::string writeAtomically(const std::string &path, const std::function<bool(FILE *)> &fill);

// Writes an RGBA image, top row first, as an 8-bit RGB PNG.
bool writePngRgb(FILE *file, const unsigned char *rgba, int width, int height);
