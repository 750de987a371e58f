#include "ZeraZov/Delivery/Api/Private/ZeraZovCurl.h"

#include "Platform/Foundation/Log.h"

#include <dlfcn.h>

#include <optional>
#include <string>

namespace zerazov {
namespace {

// Each entry is looked up by its own name (the field's, after "curl_"); one
// missing leaves the table unusable.
template <typename Function>
bool resolve(void* library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(dlsym(library, name));
    return slot != nullptr;
}

// Without the library no upload ever happens, so this is said whatever the
// debug switch: otherwise events would pile up on disk with no word why.
void reportUnusable(const char* loaderError) {
    platform::Log::writeOnce("[ZeraZov] %@", std::string("Uploads are off: libcurl could not be loaded (") +
                                                 (loaderError ? loaderError : "unknown error") + ")");
}

std::optional<ZeraZovCurl> load() {
    // Never closed: transfers and their callbacks may run until the process ends.
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        reportUnusable(dlerror());
        return std::nullopt;
    }
    ZeraZovCurl curl{};
#define ZERAZOV_RESOLVE(field) resolve(library, "curl_" #field, curl.field)
    const bool complete =
        ZERAZOV_RESOLVE(global_init) && ZERAZOV_RESOLVE(easy_init) && ZERAZOV_RESOLVE(easy_cleanup) &&
        ZERAZOV_RESOLVE(easy_setopt) && ZERAZOV_RESOLVE(easy_getinfo) && ZERAZOV_RESOLVE(easy_strerror) &&
        ZERAZOV_RESOLVE(slist_append) && ZERAZOV_RESOLVE(slist_free_all) && ZERAZOV_RESOLVE(multi_init) &&
        ZERAZOV_RESOLVE(multi_cleanup) && ZERAZOV_RESOLVE(multi_add_handle) && ZERAZOV_RESOLVE(multi_remove_handle) &&
        ZERAZOV_RESOLVE(multi_perform) && ZERAZOV_RESOLVE(multi_poll) && ZERAZOV_RESOLVE(multi_wakeup) &&
        ZERAZOV_RESOLVE(multi_info_read) && ZERAZOV_RESOLVE(url) && ZERAZOV_RESOLVE(url_cleanup) &&
        ZERAZOV_RESOLVE(url_set) && ZERAZOV_RESOLVE(url_get) && ZERAZOV_RESOLVE(free);
#undef ZERAZOV_RESOLVE
    if (!complete) {
        reportUnusable(dlerror());
        return std::nullopt;
    }
    return curl;
}

}  // namespace

const ZeraZovCurl* ZeraZovCurl::library() {
    static const std::optional<ZeraZovCurl> loaded = load();
    return loaded ? &*loaded : nullptr;
}

}  // namespace zerazov
