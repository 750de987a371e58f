#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_task.h"
#include "CrashReporter/Async/zzcrash_error.h"
#include "CrashReporter/Platform/zzcrash_spin_lock.h"

struct zzcrash_async_image_list_node;

// The part of an image record that the list reads. The record of each image
// format begins with it.
struct zzcrash_async_image {
    std::uint64_t header_address;         // where the image's header is in the task
    std::uint64_t text_size;              // bytes from the header that the image's code spans
    zzcrash_async_image_list_node* node;  // set by the list, to go on from this image
};

// How the list makes and releases the records of one image format.
struct zzcrash_async_image_format {
    std::size_t record_size;  // bytes of a record, which begins with a zzcrash_async_image
    // Fills a zeroed record from the header at `header_address` in the task.
    zzcrash_error_t (*init)(zzcrash_async_image* image, zzcrash_task_t task, const char* name,
                            std::uint64_t header_address);
    // Releases what init took (not the record itself).
    void (*free)(zzcrash_async_image* image);
};

struct zzcrash_async_image_list_node {
    std::atomic<zzcrash_async_image*> image;
    zzcrash_async_image_list_node* prev;  // writers only
    std::atomic<zzcrash_async_image_list_node*> next;
    zzcrash_async_image_list_node* parked_next;  // the free list's link, writers only
};

struct zzcrash_async_image_list_shared {
    zzcrash_spin_lock write_lock;
    std::atomic<zzcrash_async_image_list_node*> head;
    zzcrash_async_image_list_node* tail;
    std::atomic<std::int32_t> reader_count;
    zzcrash_async_image_list_node* free_list;
};
static_assert(std::atomic<zzcrash_async_image_list_node*>::is_always_lock_free);
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

// The loaded images of a task. Writers (the loader's notices, on any thread)
// serialise on a spin lock; readers (a crash handler, with the other threads
// stopped) take no lock: they count themselves in the reader count, nodes are
// published only when complete, and a node unlinked while anyone reads is
// parked instead of freed. A parked node's own next link is kept, so a reader
// standing on it walks on into the list.
struct zzcrash_async_image_list {
    zzcrash_task_t task;
    const zzcrash_async_image_format* format;
    zzcrash_async_image_list_shared* shared;
};

// Not for the crash path: init, append, remove and free allocate and lock.
void zzcrash_async_image_list_init(zzcrash_async_image_list* list, zzcrash_task_t task,
                                   const zzcrash_async_image_format* format);
// Reads the image at `header_address` and appends it; an image that cannot be
// read is not added and its error answered.
zzcrash_error_t zzcrash_async_image_list_append(zzcrash_async_image_list* list, std::uint64_t header_address,
                                                const char* name);
// Unlinks the first image with this header address; nothing when there is
// none. The image record is kept: a reader may still hold it.
void zzcrash_async_image_list_remove(zzcrash_async_image_list* list, std::uint64_t header_address);
// Keeps at least `count` unused nodes, for zzcrash_async_image_list_adopt.
void zzcrash_async_image_list_reserve(zzcrash_async_image_list* list, std::size_t count);
// Releases every listed image and every node; no one may read any more.
void zzcrash_async_image_list_free(zzcrash_async_image_list* list);

// Readers call this with true before a walk and with false after it, and in
// between use only the two lookups below. Async-signal-safe.
void zzcrash_async_image_list_mark_reading(zzcrash_async_image_list* list, bool reading);
// For a crash handler marked as reading, which may have stopped a writer
// while it held the lock: both give up (false) when the lock is taken.
// Appends a record the caller owns, read already, on a reserved node; false
// too when no node is left.
bool zzcrash_async_image_list_adopt(zzcrash_async_image_list* list, zzcrash_async_image* image);
// Unlinks the first image with this header address and parks its node.
bool zzcrash_async_image_list_try_remove(zzcrash_async_image_list* list, std::uint64_t header_address);
// The first image whose [header, header + text size) holds `address`; null when none.
zzcrash_async_image* zzcrash_async_image_containing_address(zzcrash_async_image_list* list, std::uint64_t address);
// The image after `image`, or the first one for null; null at the end.
zzcrash_async_image* zzcrash_async_image_list_next(zzcrash_async_image_list* list, zzcrash_async_image* image);
