#pragma once
// Datagrams taken out of the kernel by the endpoint's receiving thread and not yet handled
// on the user-interface thread, oldest first. It is bounded: once full, the newest
// arrivals are dropped and counted, so that a flood cannot take every byte of memory.
// Storage grows and shrinks in chunks, so an idle queue costs next to nothing.

#include "Records.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

struct ReceivedDatagram {
    uint16_t len;
    char bytes[PACKET_SIZE];
};

class CDatagramQueue {
public:
    // A burst of answers from a whole /16 fits: 65,536 datagrams, about 18 MiB.
    static constexpr size_t DEFAULT_CAPACITY = 65536;

    explicit CDatagramQueue(size_t capacity = DEFAULT_CAPACITY);
    ~CDatagramQueue();

    // Appends the datagrams in order as far as there is room; the rest are dropped.
    // Returns how many were taken.
    size_t Push(const ReceivedDatagram* batch, size_t count);
    // Takes the oldest datagram; false when there is none.
    bool Pop(ReceivedDatagram& out);
    // Takes up to max of the oldest datagrams, in order, under one lock: the reader then
    // rarely contends with the writer, which must never wait long. Returns how many.
    size_t PopSome(ReceivedDatagram* out, size_t max);
    void Clear();

    size_t Size() const;
    // How many arrivals found the queue full, since it was made.
    uint64_t Dropped() const;

private:
    static constexpr size_t CHUNK = 1024;

    void PopLocked(ReceivedDatagram& out);
    struct Chunk {
        ReceivedDatagram items[CHUNK];
    };

    mutable std::mutex m_mutex;
    std::deque<std::unique_ptr<Chunk>> m_chunks;
    // One emptied chunk is kept, so that a steady trickle allocates nothing.
    std::unique_ptr<Chunk> m_spare;
    size_t m_head = 0; // next to pop, in the front chunk
    size_t m_tail = 0; // next free slot, in the back chunk
    size_t m_size = 0;
    const size_t m_capacity;
    uint64_t m_dropped = 0;
};
