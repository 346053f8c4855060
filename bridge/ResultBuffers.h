// The text buffers the dispatcher hands its answers out from: one per
// calling thread.
//
// An answer stays valid until the same thread's next answering call. A front
// end that keeps to one thread (the contract of zdbridge.h) always gets the
// same buffer; one that calls from several threads anyway gets a buffer per
// thread, for up to kThreads threads (then the buffer unused longest is
// taken over). Not locked itself: used under the exported functions' lock.
//
//   std::string& result = m_results.forThisThread();
//   result.clear(); provider->getSingle(adapter, key, result); *out = result.data();
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class ResultBuffers {
public:
    static constexpr size_t kThreads = 8;

    std::string& forThisThread();

private:
    struct Buffer {
        std::thread::id owner;
        uint64_t lastUse;
        std::string text;
    };
    std::vector<Buffer> m_buffers;
    uint64_t m_uses = 0;
};
