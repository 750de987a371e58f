// Found as libcurl.so.4, it loads but offers none of curl's functions.
extern "C" int incompleteCurlMarker() { return 4; }
