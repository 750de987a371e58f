#pragma once
#include <curl/curl.h>

namespace zerazov {

// The libcurl functions the transport and the URL builder call, found in the
// library loaded at their first use. Linked to the program, libcurl brings some
// thirty libraries with it (TLS, Kerberos, LDAP, SSH, IDN) that the loader maps
// and relocates before main runs, which was most of what set the program's launch
// apart from a bare Qt tray program; no URL is built and nothing is sent before
// the launch line, so the loading waits until then.
struct ZeraZovCurl {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_wakeup) multi_wakeup;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_url) url;
    decltype(&curl_url_cleanup) url_cleanup;
    decltype(&curl_url_set) url_set;
    decltype(&curl_url_get) url_get;
    decltype(&curl_free) free;

    // The functions, loaded on the first call from any thread; null when
    // libcurl or one of them cannot be found, and then every URL and transfer fails.
    static const ZeraZovCurl* library();
    // The functions once library() has found them: a handle exists only then.
    static const ZeraZovCurl& loaded() { return *library(); }
};

}  // namespace zerazov
