#pragma once
// Single-producer single-consumer ring of samples. Push and pop never block or allocate, so the
// producer may be an audio callback. Capacity is rounded up to a power of two.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

namespace audio {

template <typename T> class SampleRing {
public:
    explicit SampleRing(size_t capacity) {
        size_t n = 1;
        while (n < capacity)
            n <<= 1;
        buffer_.assign(n, T{});
        mask_ = n - 1;
    }

    size_t capacity() const { return buffer_.size(); }

    // Consumer side: samples ready to pop.
    size_t available() const {
        return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_relaxed);
    }
    // Producer side: room left.
    size_t space() const {
        return buffer_.size() -
               (head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire));
    }

    // Pushes as many of n samples as fit; returns how many.
    size_t push(const T* in, size_t n) {
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t tail = tail_.load(std::memory_order_acquire);
        n = std::min(n, buffer_.size() - (head - tail));
        for (size_t i = 0; i < n; ++i)
            buffer_[(head + i) & mask_] = in[i];
        head_.store(head + n, std::memory_order_release);
        return n;
    }

    // Pushes n copies of value (silence, typically); returns how many fit.
    size_t fill(T value, size_t n) {
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t tail = tail_.load(std::memory_order_acquire);
        n = std::min(n, buffer_.size() - (head - tail));
        for (size_t i = 0; i < n; ++i)
            buffer_[(head + i) & mask_] = value;
        head_.store(head + n, std::memory_order_release);
        return n;
    }

    // Pops up to n samples; returns how many.
    size_t pop(T* out, size_t n) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t head = head_.load(std::memory_order_acquire);
        n = std::min(n, head - tail);
        for (size_t i = 0; i < n; ++i)
            out[i] = buffer_[(tail + i) & mask_];
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }

    // Consumer side: drops everything queued.
    void discard() {
        tail_.store(head_.load(std::memory_order_acquire), std::memory_order_release);
    }

private:
    std::vector<T> buffer_;
    size_t mask_ = 0;
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

} // namespace audio
