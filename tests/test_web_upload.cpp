// test_web_upload.cpp -- the page's partial uploads of vertex arrays: after
// any change the buffer WebGL holds equals the array, and only the changed
// stretch went.
#include <gtest/gtest.h>

#include <vector>

#include "web_upload.h"

TEST(WebUpload, BufferFollowsTheArray)
{
    struct Case { std::vector<uint32_t> changed; uint32_t first, end; };
    const Case cases[] = {
        {{}, 0, 0}, {{0}, 0, 1}, {{15}, 15, 16}, {{7}, 7, 8}, {{3, 12}, 3, 13},
        {{0, 15}, 0, 16},
    };
    for (const Case &c : cases) {
        std::vector<uint32_t> now(16), sent(16), buffer(16);
        for (uint32_t i = 0; i < 16; i++)
            now[i] = sent[i] = buffer[i] = i * 7;
        for (uint32_t w : c.changed)
            now[w] += 1;
        uint32_t first = 0, end = 0;
        const bool went = sendChanges(now.data(), sent.data(), 16,
            [&](uint32_t offset, const uint32_t *from, uint32_t bytes) {
                std::memcpy(&buffer[offset / 4], from, bytes);
                first = offset / 4;
                end = (offset + bytes) / 4;
            });
        EXPECT_EQ(went, !c.changed.empty());
        EXPECT_EQ(buffer, now) << "change at " << c.first;
        EXPECT_EQ(sent, now);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(end, c.end);
    }
}
