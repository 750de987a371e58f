#include "CrashReporter/Async/zzcrash_async_image_list.h"

#include <cstdlib>
#include <mutex>

namespace {

using Node = zzcrash_async_image_list_node;
using Shared = zzcrash_async_image_list_shared;

// Under the writer lock: a parked node again, or a new one.
Node* takeNode(Shared* shared) {
    Node* node = shared->free_list;
    if (node) {
        shared->free_list = node->parked_next;
        return node;
    }
    return static_cast<Node*>(std::calloc(1, sizeof(Node)));
}

// Under the writer lock. The node is complete before a reader can reach it.
void link(Shared* shared, Node* node, zzcrash_async_image* image) {
    node->image.store(image, std::memory_order_relaxed);
    node->prev = nullptr;
    node->parked_next = nullptr;
    node->next.store(nullptr, std::memory_order_relaxed);
    image->node = node;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (shared->tail) {
        node->prev = shared->tail;
        shared->tail->next.store(node, std::memory_order_seq_cst);
    } else {
        shared->head.store(node, std::memory_order_seq_cst);
    }
    shared->tail = node;
}

Node* find(const Shared* shared, std::uint64_t header_address) {
    for (Node* node = shared->head.load(); node; node = node->next.load()) {
        if (node->image.load()->header_address == header_address) return node;
    }
    return nullptr;
}

// Under the writer lock. Once unlinked no new reader can reach the node, so
// it is freed unless a reader that came earlier may still stand on it.
void unlink(Shared* shared, Node* node) {
    Node* next = node->next.load();
    if (node->prev)
        node->prev->next.store(next, std::memory_order_seq_cst);
    else
        shared->head.store(next, std::memory_order_seq_cst);
    if (next)
        next->prev = node->prev;
    else
        shared->tail = node->prev;
    if (shared->reader_count.load(std::memory_order_seq_cst) < 1) {
        std::free(node);
        return;
    }
    node->prev = nullptr;
    node->parked_next = shared->free_list;
    shared->free_list = node;
}

void release(const zzcrash_async_image_format* format, zzcrash_async_image* image) {
    format->free(image);
    std::free(image);
}

template <class Free>
void freeChain(Node* node, Node* (*following)(Node*), Free&& freeImage) {
    while (node) {
        Node* after = following(node);
        freeImage(node);
        std::free(node);
        node = after;
    }
}

}  // namespace

void zzcrash_async_image_list_init(zzcrash_async_image_list* list, zzcrash_task_t task,
                                   const zzcrash_async_image_format* format) {
    list->task = task;
    list->format = format;
    list->shared = new Shared{};
}

zzcrash_error_t zzcrash_async_image_list_append(zzcrash_async_image_list* list, std::uint64_t header_address,
                                                const char* name) {
    auto* image = static_cast<zzcrash_async_image*>(std::calloc(1, list->format->record_size));
    if (!image) return ZZCRASH_ENOMEM;
    const zzcrash_error_t error = list->format->init(image, list->task, name, header_address);
    if (error != ZZCRASH_ESUCCESS) {
        std::free(image);
        return error;
    }
    std::lock_guard guard(list->shared->write_lock);
    Node* node = takeNode(list->shared);
    if (!node) {
        release(list->format, image);
        return ZZCRASH_ENOMEM;
    }
    link(list->shared, node, image);
    return ZZCRASH_ESUCCESS;
}

// The node is looked up under the lock: two threads removing the same image
// must not both find it and unlink it twice.
void zzcrash_async_image_list_remove(zzcrash_async_image_list* list, std::uint64_t header_address) {
    std::lock_guard guard(list->shared->write_lock);
    Node* node = find(list->shared, header_address);
    if (node) unlink(list->shared, node);
}

void zzcrash_async_image_list_reserve(zzcrash_async_image_list* list, std::size_t count) {
    std::lock_guard guard(list->shared->write_lock);
    std::size_t spare = 0;
    for (Node* node = list->shared->free_list; node; node = node->parked_next) ++spare;
    for (; spare < count; ++spare) {
        auto* node = static_cast<Node*>(std::calloc(1, sizeof(Node)));
        if (!node) return;
        node->parked_next = list->shared->free_list;
        list->shared->free_list = node;
    }
}

bool zzcrash_async_image_list_adopt(zzcrash_async_image_list* list, zzcrash_async_image* image) {
    Shared* shared = list->shared;
    if (!shared->write_lock.try_lock()) return false;
    Node* node = shared->free_list;
    if (node) {
        shared->free_list = node->parked_next;
        link(shared, node, image);
    }
    shared->write_lock.unlock();
    return node != nullptr;
}

// The caller reads, so unlink parks the node instead of freeing it.
bool zzcrash_async_image_list_try_remove(zzcrash_async_image_list* list, std::uint64_t header_address) {
    Shared* shared = list->shared;
    if (!shared->write_lock.try_lock()) return false;
    Node* node = find(shared, header_address);
    if (node) unlink(shared, node);
    shared->write_lock.unlock();
    return true;
}

void zzcrash_async_image_list_free(zzcrash_async_image_list* list) {
    Shared* shared = list->shared;
    freeChain(
        shared->head.load(), [](Node* node) { return node->next.load(); },
        [list](Node* node) { release(list->format, node->image.load()); });
    freeChain(
        shared->free_list, [](Node* node) { return node->parked_next; }, [](Node*) {});
    delete shared;
    list->shared = nullptr;
}

void zzcrash_async_image_list_mark_reading(zzcrash_async_image_list* list, bool reading) {
    if (reading)
        list->shared->reader_count.fetch_add(1, std::memory_order_seq_cst);
    else
        list->shared->reader_count.fetch_sub(1, std::memory_order_seq_cst);
}

zzcrash_async_image* zzcrash_async_image_containing_address(zzcrash_async_image_list* list, std::uint64_t address) {
    for (Node* node = list->shared->head.load(); node; node = node->next.load()) {
        zzcrash_async_image* image = node->image.load();
        if (address >= image->header_address && address - image->header_address < image->text_size) return image;
    }
    return nullptr;
}

zzcrash_async_image* zzcrash_async_image_list_next(zzcrash_async_image_list* list, zzcrash_async_image* image) {
    Node* node = image ? image->node->next.load() : list->shared->head.load();
    return node ? node->image.load() : nullptr;
}
