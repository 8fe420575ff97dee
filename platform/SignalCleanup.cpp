#include "platform/SignalCleanup.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/EndingRun.h"
#include "platform/Paths.h"

namespace korvane::platform {

namespace {

// What a slot's conversion is doing, as the signal thread sees it.
enum SlotState : int {
    kFree,       // nobody's
    kIdle,       // its file, if any, may be removed at any time
    kCreating,   // creating or registering its file: the signal thread waits
    kReplacing,  // a document takes its target's place: the signal thread waits, then holds back
    kRemoving,   // the signal thread removes its file; the program is ending
};

// The path is written by the slot's conversion only while the state is not kIdle, and read by
// the signal thread only after it moved the state from kIdle to kRemoving.
struct Slot {
    std::atomic<int> state{kFree};
    bool hasPath = false;
    char path[kMaxPath + 1] = {};
};

// The one table of the process, as the operating system's signals are the process's.
Slot gSlots[kCleanupSlots];
std::atomic<int> gSignal{0};
std::atomic<bool> gLineEnd{false};
std::timed_mutex gLineWrite;  // held while a progress line is written

void Pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

void EndRun(int signal) {
    gSignal.store(signal);
    bool heldBack = false;
    for (Slot& slot : gSlots) {
        for (int s = slot.state.load(); s == kCreating || s == kReplacing; s = slot.state.load()) {
            heldBack = heldBack || s == kReplacing;
            Pause();
        }
    }
    if (heldBack) return;
    for (Slot& slot : gSlots) {
        for (;;) {
            int expected = kIdle;
            if (slot.state.compare_exchange_strong(expected, kRemoving)) {
                if (slot.hasPath) RemoveNow(slot.path);
                break;
            }
            // A conversion that saw the signal backs out of what it began; a free slot has
            // no file.
            if (expected == kFree || expected == kRemoving) break;
            Pause();
        }
    }
    if (gLineEnd.load()) {
        // After the line being written, if it is written soon (a terminal held by Ctrl-S is
        // not waited for); the lock is kept, so that nothing is written after the line's end.
        const bool held = gLineWrite.try_lock_for(std::chrono::milliseconds(200));
        if (held && gLineEnd.load()) EndErrorLine();
    }
    EndBySignal(signal);
}

int EndingSignal() {
    return gSignal.load();
}

void SetLineEndOnSignal(bool pending) {
    gLineEnd.store(pending);
}

LineWrite::LineWrite() {
    gLineWrite.lock();
}

LineWrite::~LineWrite() {
    gLineWrite.unlock();
}

CleanupSlot::CleanupSlot() {
    for (int i = 0; i < kCleanupSlots; ++i) {
        int expected = kFree;
        if (gSlots[i].state.compare_exchange_strong(expected, kIdle)) {
            FIndex = i;
            gSlots[i].hasPath = false;
            return;
        }
    }
}

CleanupSlot::~CleanupSlot() {
    if (FIndex < 0) return;
    int expected = kIdle;
    gSlots[FIndex].state.compare_exchange_strong(expected, kFree);
}

namespace {
// Moves the slot from kIdle to `busy`; false when a signal is ending the run.
bool Enter(int index, int busy) {
    if (index < 0) return gSignal.load() == 0;
    int expected = kIdle;
    if (!gSlots[index].state.compare_exchange_strong(expected, busy)) return false;  // being removed
    // The signal thread sets the signal before it looks at the slots: either it sees this
    // slot busy and waits, or this sees the signal and backs out.
    if (gSignal.load() != 0) {
        gSlots[index].state.store(kIdle);
        return false;
    }
    return true;
}
}  // namespace

void CleanupSlot::Leave(const std::string& path) {
    if (FIndex < 0) return;
    Slot& slot = gSlots[FIndex];
    slot.hasPath = !path.empty() && path.size() <= kMaxPath;
    if (slot.hasPath) std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(kIdle);
}

bool CleanupSlot::BeginCreating() {
    return Enter(FIndex, kCreating);
}

void CleanupSlot::EndCreating(const std::string& path) {
    Leave(path);
}

void CleanupSlot::Unregister() {
    if (FIndex < 0) return;
    int expected = kIdle;
    if (gSlots[FIndex].state.compare_exchange_strong(expected, kCreating)) Leave({});
}

bool CleanupSlot::BeginReplacing() {
    return Enter(FIndex, kReplacing);
}

void CleanupSlot::EndReplacing(const std::string& path) {
    Leave(path);
}

}  // namespace korvane::platform
