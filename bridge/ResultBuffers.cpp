#include "bridge/ResultBuffers.h"

std::string& ResultBuffers::forThisThread() {
    const std::thread::id self = std::this_thread::get_id();
    ++m_uses;
    Buffer* oldest = nullptr;
    for (Buffer& buffer : m_buffers) {
        if (buffer.owner == self) {
            buffer.lastUse = m_uses;
            return buffer.text;
        }
        if (oldest == nullptr || buffer.lastUse < oldest->lastUse) oldest = &buffer;
    }
    if (m_buffers.size() < kThreads) {
        m_buffers.push_back(Buffer{self, m_uses, std::string()});
        return m_buffers.back().text;
    }
    oldest->owner = self;
    oldest->lastUse = m_uses;
    return oldest->text;
}
