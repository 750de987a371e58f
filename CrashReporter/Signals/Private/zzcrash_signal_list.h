#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "CrashReporter/Platform/zzcrash_spin_lock.h"

// A list that a signal handler walks without a lock while other threads
// change it. Writers serialise on a spin lock and publish a node only when it
// is complete; readers count themselves in the reader count for the length of
// a walk, and a node unlinked while anyone reads is parked (kept, with its
// own next link, so that a reader standing on it walks on into the list)
// instead of freed, to be used again by a later insertion. Constant-
// initialised, so that a process-wide list needs no guard.
template <class Entry>
class zzcrash_signal_list {
public:
    struct node {
        Entry entry;
        std::atomic<node*> next;
        node* prev;         // writers only
        node* parked_next;  // the free list's link, writers only
    };
    static_assert(std::atomic<node*>::is_always_lock_free);
    static_assert(std::atomic<std::int32_t>::is_always_lock_free);

    constexpr zzcrash_signal_list() = default;
    zzcrash_signal_list(const zzcrash_signal_list&) = delete;
    zzcrash_signal_list& operator=(const zzcrash_signal_list&) = delete;

    // Writers. Not for the crash path: a node may be allocated.
    void append(const Entry& entry) {
        std::lock_guard guard(lock_);
        node* added = take(entry);
        added->prev = tail_;
        if (tail_)
            tail_->next.store(added, std::memory_order_seq_cst);
        else
            head_.store(added, std::memory_order_seq_cst);
        tail_ = added;
    }
    void prepend(const Entry& entry) {
        std::lock_guard guard(lock_);
        node* added = take(entry);
        node* first = head_.load(std::memory_order_relaxed);
        added->next.store(first, std::memory_order_relaxed);
        if (first)
            first->prev = added;
        else
            tail_ = added;
        head_.store(added, std::memory_order_seq_cst);
    }
    void remove_all() {
        std::lock_guard guard(lock_);
        while (node* first = head_.load(std::memory_order_relaxed)) unlink(first);
    }
    // Empties the list and frees the parked nodes too, unless a reader still
    // walks: then they stay parked.
    void release_all() {
        std::lock_guard guard(lock_);
        while (node* first = head_.load(std::memory_order_relaxed)) unlink(first);
        if (readers_.load(std::memory_order_seq_cst) > 0) return;
        while (node* parked = free_) {
            free_ = parked->parked_next;
            delete parked;
        }
    }

    // Readers: mark the walk, then follow first() and next(). Async-signal-safe.
    void mark_reading(bool reading) {
        if (reading)
            readers_.fetch_add(1, std::memory_order_seq_cst);
        else
            readers_.fetch_sub(1, std::memory_order_seq_cst);
    }
    node* first() const { return head_.load(std::memory_order_seq_cst); }
    static node* next(const node* current) { return current->next.load(std::memory_order_seq_cst); }

private:
    // Under the lock: a parked node again, or a new one, complete before it is linked.
    node* take(const Entry& entry) {
        node* taken = free_;
        if (taken)
            free_ = taken->parked_next;
        else
            taken = new node{};
        taken->entry = entry;
        taken->next.store(nullptr, std::memory_order_relaxed);
        taken->prev = nullptr;
        taken->parked_next = nullptr;
        std::atomic_thread_fence(std::memory_order_seq_cst);
        return taken;
    }
    // Under the lock. Once unlinked no new reader reaches the node; it is
    // freed unless a reader that came earlier may still stand on it.
    void unlink(node* gone) {
        node* after = gone->next.load(std::memory_order_relaxed);
        if (gone->prev)
            gone->prev->next.store(after, std::memory_order_seq_cst);
        else
            head_.store(after, std::memory_order_seq_cst);
        if (after)
            after->prev = gone->prev;
        else
            tail_ = gone->prev;
        if (readers_.load(std::memory_order_seq_cst) < 1) {
            delete gone;
            return;
        }
        gone->parked_next = free_;
        free_ = gone;
    }

    zzcrash_spin_lock lock_;
    std::atomic<node*> head_{nullptr};
    node* tail_ = nullptr;
    std::atomic<std::int32_t> readers_{0};
    node* free_ = nullptr;
};
