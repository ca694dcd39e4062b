// test_web_upload.cpp -- the page's partial uploads: after any change the
// buffer WebGL holds equals the array, and only the changed stretch went.
#include <gtest/gtest.h>

#include <vector>

#include "web_upload.h"

TEST(WebUpload, BufferFollowsTheArray)
{
    const std::vector<std::vector<uint32_t>> changes = {{}, {0}, {15}, {7}, {3, 12}};
    for (const std::vector<uint32_t> &changed : changes) {
        std::vector<uint32_t> now(16, 5), sent = now, buffer = now;
        for (uint32_t w : changed)
            now[w] = 6;
        uint32_t bytes = 0;
        sendChanges(now.data(), sent.data(), 16, [&](uint32_t at, const uint32_t *from, uint32_t n) {
            std::memcpy(&buffer[at / 4], from, n);
            bytes += n;
        });
        EXPECT_EQ(buffer, now);
        EXPECT_EQ(sent, now);
        EXPECT_EQ(bytes, changed.empty() ? 0 : 4 * (changed.back() - changed.front() + 1));
    }
}
