#include "signature/package_hasher.h"

#include <sodium.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace sig {
namespace {

constexpr std::size_t kSlots = 8;
constexpr std::size_t kSlotSize = 65536;

struct Slot {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

}  // namespace

// A ring of kSlots buffers between Update (fills the slot after the last
// filled one) and the worker (hashes the first filled one). The two never
// touch the same slot, so the copy and the hash run outside the lock; only
// head and count are shared.
struct PackageHasher::State {
    crypto_generichash_state hash;
    Slot slots[kSlots];
    bool haveSlots = false;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t head = 0;
    std::size_t count = 0;
    bool ending = false;
    std::thread worker;

    bool StartWorker();
    void StopWorker();
    void Work();
    void Queue(const unsigned char* data, std::size_t size);
};

bool PackageHasher::State::StartWorker() {
    if (!haveSlots) {
        for (Slot& slot : slots) {
            slot.data.reset(new (std::nothrow) unsigned char[kSlotSize]);
            if (!slot.data) return false;
        }
        haveSlots = true;
    }
    head = count = 0;
    ending = false;
    try {
        worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PackageHasher::State::StopWorker() {
    if (!worker.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    changed.notify_all();
    worker.join();
}

void PackageHasher::State::Work() {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return count > 0 || ending; });
        if (count == 0) return;  // ending, and every chunk hashed
        Slot& slot = slots[head];
        lock.unlock();
        crypto_generichash_update(&hash, slot.data.get(), slot.size);
        lock.lock();
        head = (head + 1) % kSlots;
        --count;
        lock.unlock();
        changed.notify_all();
    }
}

void PackageHasher::State::Queue(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        std::size_t tail;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return count < kSlots; });
            tail = (head + count) % kSlots;
        }
        std::size_t part = size < kSlotSize ? size : kSlotSize;
        std::memcpy(slots[tail].data.get(), data, part);
        slots[tail].size = part;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++count;
        }
        changed.notify_all();
        data += part;
        size -= part;
    }
}

PackageHasher::PackageHasher() : state_(new State) {
    // sodium_init picks the fastest BLAKE2b code for this processor; should
    // it fail, the portable code gives the same hash.
    int ready = sodium_init();
    static_cast<void>(ready);
    Reset();
}

PackageHasher::~PackageHasher() {
    state_->StopWorker();
    sodium_memzero(&state_->hash, sizeof state_->hash);
}

void PackageHasher::Reset() {
    state_->StopWorker();
    crypto_generichash_init(&state_->hash, nullptr, 0, kDigestSize);
}

void PackageHasher::Update(const void* data, std::size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!state_->worker.joinable() && !state_->StartWorker()) {
        crypto_generichash_update(&state_->hash, bytes, size);
        return;
    }
    state_->Queue(bytes, size);
}

Digest PackageHasher::Finish() {
    state_->StopWorker();
    Digest digest{};
    crypto_generichash_final(&state_->hash, digest.data(), digest.size());
    return digest;
}

}  // namespace sig
