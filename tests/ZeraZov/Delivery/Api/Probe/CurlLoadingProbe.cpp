// Builds a URL the way the client does, twice, and says whether one came out;
// the test runs it with a libcurl of its choosing first on the search path.
#include <cstdio>

#include "ZeraZov/Delivery/Api/Private/ZeraZovURLBuilder.h"

int main() {
    const auto first = zerazov::ZeraZovURLBuilder::endpoint("http://127.0.0.1:1", "/batch", {});
    const auto second = zerazov::ZeraZovURLBuilder::endpoint("http://127.0.0.1:1", "/batch", {});
    std::printf("%s\n", first && second ? "built" : "none");
    return 0;
}
