#pragma once
// How many files are being decoded at once, from planning an answer until its
// body ends: each decoder holds its window (Brotli's up to 16 MiB), so beyond the
// limit a request is refused until one ends. Slots may outlive the server (the
// runtime holds bodies), so they share the count. Any thread. Portable.
#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>

class DecoderSlot;

class DecoderSlots {
public:
    explicit DecoderSlots(size_t limit) : count_(std::make_shared<Count>(limit)) {}

    struct Taken;
    // A slot, or none while all are taken. firstRefusal: the first refusal since
    // the slots were last at most half taken, the one worth a line in the log.
    Taken Take();
    size_t live() const { return count_->live; }

    struct Count {
        explicit Count(size_t limit) : limit(limit) {}
        const size_t limit;
        std::atomic<size_t> live{0};
        std::atomic<bool> refusalSaid{false};
        void Release() {
            if (--live <= limit / 2)
                refusalSaid = false;
        }
    };

private:
    std::shared_ptr<Count> count_;
};

// One place among the slots, given back when destroyed or released.
class DecoderSlot {
public:
    DecoderSlot() = default;
    explicit DecoderSlot(std::shared_ptr<DecoderSlots::Count> count) : count_(std::move(count)) {}
    DecoderSlot(DecoderSlot&& other) noexcept : count_(std::move(other.count_)) {}
    DecoderSlot& operator=(DecoderSlot&& other) noexcept {
        if (this != &other) {
            Release();
            count_ = std::move(other.count_);
        }
        return *this;
    }
    ~DecoderSlot() { Release(); }
    void Release() {
        if (auto count = std::exchange(count_, nullptr))
            count->Release();
    }
    explicit operator bool() const { return count_ != nullptr; }

private:
    std::shared_ptr<DecoderSlots::Count> count_;
};

struct DecoderSlots::Taken {
    DecoderSlot slot;
    bool firstRefusal = false;
};

inline DecoderSlots::Taken DecoderSlots::Take() {
    size_t live = count_->live;
    while (live < count_->limit)
        if (count_->live.compare_exchange_weak(live, live + 1))
            return {DecoderSlot(count_), false};
    return {DecoderSlot(), !count_->refusalSaid.exchange(true)};
}
