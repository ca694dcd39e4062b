// web_upload.h -- which part of a vertex array goes to WebGL again: the words
// from the first that differs from the copy last sent to the last that does.
// Plain C++, so that the bookkeeping is tested natively.
#pragma once

#include <cstdint>
#include <cstring>

// Sends the changed stretch of now (words long) through send(byte offset,
// data, bytes) and brings sent up to date with exactly what went; false when
// nothing changed.
template <class Send>
bool sendChanges(const uint32_t *now, uint32_t *sent, uint32_t words, Send send)
{
    uint32_t first = 0, end = words;
    while (first < words && now[first] == sent[first])
        first++;
    if (first == words)
        return false;
    while (end > first && now[end - 1] == sent[end - 1])
        end--;
    std::memcpy(sent + first, now + first, (end - first) * 4);
    send(first * 4, now + first, (end - first) * 4);
    return true;
}
