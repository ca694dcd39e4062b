// model_script.h -- a scripted replacement for the generator, for the world
// and animation tests: every draw yields a default value unless a value was
// planted for that draw number (counted from 1 since the script was set).
#pragma once

#include <cstdint>
#include <map>

#include <gtest/gtest.h>

#include "world.h"

namespace script {

inline int &fallback() { static int v = 0; return v; }
inline uint64_t &count() { static uint64_t n = 0; return n; }
inline std::map<uint64_t, int> &planted() { static std::map<uint64_t, int> m; return m; }

inline int source()
{
    uint64_t n = ++count();
    auto it = planted().find(n);
    return it == planted().end() ? fallback() : it->second;
}

// Every following draw yields value, except those planted afterwards.
inline void use(int value)
{
    fallback() = value;
    count() = 0;
    planted().clear();
    rngSetSource(source);
}

// Draw number n (1 = the next draw) yields value.
inline void plant(uint64_t n, int value) { planted()[n] = value; }

} // namespace script

// Leaves the real generator in place after every test.
class ScriptedTest : public ::testing::Test {
protected:
    void TearDown() override { rngSetSource(nullptr); }
};
