// fuzz_web_address.cpp -- the page's address: the input is the query string
// (what follows '?'), decoded as the browser decodes it for the page (pairs
// split at '&' and the first '=', '+' a space, %XX a byte, the first of a
// name wins). A seed or step the page takes is exactly the digits it was
// given, so that the link the page shows leads back to the same city; a
// resolution or frame limit taken is within its range; a refusal is one line
// named after the parameter.
#include <cstring>

#include "fuzz_argv.h"
#include "web_address.h"

static int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

static std::string decoded(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += (char)(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The first value of name in the query, or false when it has none.
static bool lookUp(const std::string &query, const char *name, std::string &value)
{
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string pair = query.substr(start, end - start);
        const size_t eq = pair.find('=');
        if (!pair.empty() && decoded(pair.substr(0, eq)) == name) {
            value = eq == std::string::npos ? "" : decoded(pair.substr(eq + 1));
            return true;
        }
        start = end + 1;
    }
    return false;
}

// What a taken number must have been written as: digits only, and the same
// number.
static void checkTaken(const char *name, const std::string &text, uint64_t value)
{
    size_t first = 0;
    while (first + 1 < text.size() && text[first] == '0')
        first++;
    fuzzCheck(text.substr(first) == std::to_string(value),
              "a taken value is the digits given", std::string(name) + "=" + text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string query((const char *)data, size);
    std::string seed, frames, resolution, fps;
    AddressValues values;
    const bool hasSeed = lookUp(query, "seed", seed);
    const bool hasFrames = lookUp(query, "frames", frames);
    values.seed = hasSeed ? &seed : nullptr;
    values.frames = hasFrames ? &frames : nullptr;
    values.resolution = lookUp(query, "resolution", resolution) ? &resolution : nullptr;
    values.fps = lookUp(query, "fps", fps) ? &fps : nullptr;

    SnapOptions opts;
    PageSettings page;
    const std::string problem = parseAddress(values, opts, page);
    if (!problem.empty()) {
        checkProblem(problem);
        fuzzCheck(problem.compare(0, 2, "--") != 0, "a problem names the parameter", problem);
        return 0;
    }
    fuzzCheck(opts.seedGiven == hasSeed, "a seed only from the address", "");
    if (hasSeed)
        checkTaken("seed", seed, opts.seed);
    if (hasFrames)
        checkTaken("frames", frames, opts.frames);
    if (values.fps)
        checkTaken("fps", fps, (uint64_t)page.maxFps);
    const Resolution &r = page.resolution;
    fuzzCheck(r.native || (r.width >= 1 && r.height >= 1 && r.width <= RESOLUTION_LIMIT &&
                           r.height <= RESOLUTION_LIMIT), "a resolution in range", resolution);
    return 0;
}
