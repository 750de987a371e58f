#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"

#include <mutex>
#include <utility>

namespace zerazov {
namespace {

struct NameStore {
    std::mutex lock;
    std::string name = ZeraZovLibraryInfo::defaultName;
};

NameStore& nameStore() {
    static NameStore store;
    return store;
}

}  // namespace

std::string ZeraZovLibraryInfo::name() {
    auto& store = nameStore();
    std::lock_guard guard(store.lock);
    return store.name;
}

void ZeraZovLibraryInfo::setName(std::string name) {
    auto& store = nameStore();
    std::lock_guard guard(store.lock);
    store.name = std::move(name);
}

}  // namespace zerazov
