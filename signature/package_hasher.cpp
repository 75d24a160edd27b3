#include "signature/package_hasher.h"

#include <sodium.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace sig {
namespace {

// A download's chunks (32 KiB) are gathered into large slots, so the worker
// is woken once per slot rather than once per chunk. Sixteen slots (4 MiB,
// about 6 ms of a loopback download) carry the download over the moments the
// worker is not scheduled; with four, a download from a local server waited
// for the worker 25 to 80 times per 256 MiB on a busy machine with two cores.
constexpr std::size_t kSlots = 16;
constexpr std::size_t kSlotSize = 262144;

}  // namespace

// A ring of kSlots buffers between Update (fills the slot after the last
// handed-over one, then hands it over) and the worker (hashes the first
// handed-over one). The two never touch the same slot, so the copy and the
// hash run outside the lock; only head, count and ending are shared.
struct PackageHasher::State {
    crypto_generichash_state hash;
    std::unique_ptr<unsigned char[]> slots;  // kSlots of kSlotSize bytes
    std::size_t sizes[kSlots] = {};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t head = 0;
    std::size_t count = 0;
    bool ending = false;
    // Update's own: whether it holds slot tail, not yet handed over.
    bool open = false;
    std::size_t tail = 0;
    std::thread worker;

    bool StartWorker();
    void HandOver();
    void StopWorker(bool hashOpenSlot);
    void Work();
    void Queue(const unsigned char* data, std::size_t size);
};

bool PackageHasher::State::StartWorker() {
    if (!slots) slots.reset(new (std::nothrow) unsigned char[kSlots * kSlotSize]);
    if (!slots) return false;
    try {
        worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PackageHasher::State::HandOver() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
    }
    open = false;
    changed.notify_all();
}

void PackageHasher::State::StopWorker(bool hashOpenSlot) {
    if (!worker.joinable()) return;
    if (open && hashOpenSlot) HandOver();
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
        const std::size_t slot = head;
        lock.unlock();
        crypto_generichash_update(&hash, slots.get() + slot * kSlotSize, sizes[slot]);
        lock.lock();
        head = (head + 1) % kSlots;
        --count;
        lock.unlock();
        changed.notify_all();
    }
}

void PackageHasher::State::Queue(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        if (!open) {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return count < kSlots; });
            tail = (head + count) % kSlots;
            sizes[tail] = 0;
            open = true;
        }
        std::size_t part = std::min(size, kSlotSize - sizes[tail]);
        std::memcpy(slots.get() + tail * kSlotSize + sizes[tail], data, part);
        sizes[tail] += part;
        if (sizes[tail] == kSlotSize) HandOver();
        data += part;
        size -= part;
    }
}

PackageHasher::PackageHasher() : state_(new State) {
    // sodium_init picks the fastest BLAKE2b code for this processor; should
    // it fail, the portable code gives the same hash.
    int ready = sodium_init();
    static_cast<void>(ready);
    crypto_generichash_init(&state_->hash, nullptr, 0, kDigestSize);
}

PackageHasher::~PackageHasher() {
    state_->StopWorker(false);
    sodium_memzero(&state_->hash, sizeof state_->hash);
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
    state_->StopWorker(true);
    Digest digest{};
    crypto_generichash_final(&state_->hash, digest.data(), digest.size());
    return digest;
}

}  // namespace sig
