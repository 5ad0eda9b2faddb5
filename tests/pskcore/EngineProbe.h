#pragma once
// Receives the engine's messages on a real message window, in the order they arrive, and
// watches the PTT line through the engine's observer hook.
#include <atomic>
#include <mutex>
#include <QTest>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "pskcore.h"

struct EngineMessage {
    uint32_t msg;
    int32_t w, l;
    int seq; // position among messages and PTT changes
};

struct PttChange {
    int32_t port, rts, dtr;
    int seq;
};

class EngineProbe {
public:
    EngineProbe() {
        window_.setWindowProc([this](platform::WindowHandle, uint32_t m, int32_t w, int32_t l) {
            messages.push_back({m, w, l, nextSeq()});
            return 0;
        });
    }
    ~EngineProbe() { pskcoreSetPttObserver(nullptr, nullptr); }

    platform::WindowHandle handle() const { return window_.handle(); }

    void watchPtt() { pskcoreSetPttObserver(&EngineProbe::onPtt, this); }

    std::vector<EngineMessage> messages;

    void clear() {
        messages.clear();
        std::lock_guard<std::mutex> lock(pttMutex_);
        ptt_.clear();
    }

    std::vector<PttChange> ptt() {
        std::lock_guard<std::mutex> lock(pttMutex_);
        return ptt_;
    }

    std::vector<EngineMessage> of(uint32_t msg) const {
        std::vector<EngineMessage> out;
        for (const auto& m : messages)
            if (m.msg == msg) out.push_back(m);
        return out;
    }
    std::vector<int32_t> statuses() const {
        std::vector<int32_t> out;
        for (const auto& m : of(PSKCORE_MSG_STATUS))
            out.push_back(m.w);
        return out;
    }
    // Characters received on a channel (-1: the echo of what was sent).
    std::string text(int channel) const {
        std::string out;
        for (const auto& m : of(PSKCORE_MSG_CHAR))
            if (m.l == channel) out += char(m.w);
        return out;
    }
    int count(uint32_t msg) const { return int(of(msg).size()); }
    bool hasStatus(int32_t code) const {
        for (int32_t s : statuses())
            if (s == code) return true;
        return false;
    }
    // Sequence number of the first message matching, or -1.
    int seqOfStatus(int32_t code, int from = 0) const {
        for (const auto& m : messages)
            if (m.msg == PSKCORE_MSG_STATUS && m.w == code && m.seq >= from) return m.seq;
        return -1;
    }

private:
    static void onPtt(void* self, int32_t port, int32_t rts, int32_t dtr) {
        auto* p = static_cast<EngineProbe*>(self);
        std::lock_guard<std::mutex> lock(p->pttMutex_);
        p->ptt_.push_back({port, rts, dtr, nextSeq()});
    }
    static int nextSeq() {
        static std::atomic<int> seq{0};
        return seq++;
    }

    platform::MessageWindow window_;
    std::mutex pttMutex_;
    std::vector<PttChange> ptt_;
};
