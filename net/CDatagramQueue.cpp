#include "CDatagramQueue.h"

#include <algorithm>
#include <cstring>

CDatagramQueue::CDatagramQueue(size_t capacity) : m_capacity(capacity) {}

CDatagramQueue::~CDatagramQueue() = default;

size_t CDatagramQueue::Push(const ReceivedDatagram* batch, size_t count)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t taken = 0;
    for (; taken < count && m_size < m_capacity; ++taken) {
        if (m_chunks.empty() || m_tail == CHUNK) {
            m_chunks.push_back(m_spare ? std::move(m_spare)
                                       : std::make_unique_for_overwrite<Chunk>());
            m_tail = 0;
        }
        ReceivedDatagram& slot = m_chunks.back()->items[m_tail++];
        slot.len = uint16_t(std::min<size_t>(batch[taken].len, PACKET_SIZE));
        std::memcpy(slot.bytes, batch[taken].bytes, slot.len);
        ++m_size;
    }
    m_dropped += count - taken;
    return taken;
}

bool CDatagramQueue::Pop(ReceivedDatagram& out) { return PopSome(&out, 1) == 1; }

size_t CDatagramQueue::PopSome(ReceivedDatagram* out, size_t max)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t taken = 0;
    for (; taken < max && m_size != 0; ++taken)
        PopLocked(out[taken]);
    return taken;
}

void CDatagramQueue::PopLocked(ReceivedDatagram& out)
{
    const ReceivedDatagram& item = m_chunks.front()->items[m_head++];
    out.len = item.len;
    std::memcpy(out.bytes, item.bytes, item.len);
    --m_size;
    if (m_size == 0) {
        // Start over in the one chunk left.
        m_head = m_tail = 0;
        while (m_chunks.size() > 1)
            m_chunks.pop_back();
    } else if (m_head == CHUNK) {
        m_spare = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_head = 0;
    }
}

void CDatagramQueue::Clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_chunks.clear();
    m_spare.reset();
    m_head = m_tail = m_size = 0;
}

size_t CDatagramQueue::Size() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_size;
}

uint64_t CDatagramQueue::Dropped() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}
