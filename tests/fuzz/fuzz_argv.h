// fuzz_argv.h -- what the parser fuzzers share: arbitrary bytes made into a
// command line, and a failed invariant made into a crash libFuzzer keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A command line: the input split at NUL bytes, program name first. Each
// argument is its own allocation, so that a read past one's end is caught.
struct FuzzArgv {
    std::vector<std::string> args;
    std::vector<std::vector<char>> storage;
    std::vector<char *> argv;

    FuzzArgv(const char *program, const uint8_t *data, size_t size)
    {
        args.push_back(program);
        std::string piece;
        for (size_t i = 0; i < size; i++) {
            if (data[i] == 0) {
                args.push_back(piece);
                piece.clear();
            } else {
                piece += (char)data[i];
            }
        }
        if (size > 0)
            args.push_back(piece);
        build();
    }
    // A fresh copy for each parse, so that a parser that rewrites argv
    // cannot hide it from the next.
    void build()
    {
        storage.clear();
        argv.clear();
        for (const std::string &a : args)
            storage.emplace_back(a.c_str(), a.c_str() + a.size() + 1);
        for (std::vector<char> &s : storage)
            argv.push_back(s.data());
        argv.push_back(nullptr);
    }
    int argc() const { return (int)args.size(); }
};

// Stops the run with what broke; libFuzzer saves the input that did it.
[[noreturn]] inline void fuzzFail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "invariant broken: %s: [%s]\n", what, detail.c_str());
    std::abort();
}

inline void fuzzCheck(bool ok, const char *what, const std::string &detail)
{
    if (!ok)
        fuzzFail(what, detail);
}

// A problem is one line that says something, with nothing in it that a
// terminal would take as a command.
inline void checkProblem(const std::string &problem)
{
    fuzzCheck(!problem.empty(), "a problem says something", problem);
    for (char c : problem)
        fuzzCheck((unsigned char)c >= 0x20 && c != 0x7f, "a problem is one printable line",
                  problem);
}
