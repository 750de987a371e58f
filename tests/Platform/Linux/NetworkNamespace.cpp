#include "NetworkNamespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "Platform/Foundation/UniqueFd.h"

namespace platform {
namespace {

// Every command is bounded, so a stuck `ip` fails the test instead of hanging it.
bool run(const std::string& command) {
    const std::string bounded = "timeout 10 " + command + " >/dev/null 2>&1";
    return std::system(bounded.c_str()) == 0;
}

}  // namespace

std::unique_ptr<NetworkNamespace> NetworkNamespace::create(std::string& why) {
    static std::atomic<int> counter{0};
    const std::string name = "tessivar-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    if (!run("ip netns add " + name)) {
        why = "`ip netns add` is not permitted here (root and iproute2 are needed)";
        return nullptr;
    }
    return std::unique_ptr<NetworkNamespace>(new NetworkNamespace(name));
}

NetworkNamespace::~NetworkNamespace() { run("ip netns delete " + name_); }

bool NetworkNamespace::ip(const std::string& arguments) const { return run("ip -n " + name_ + " " + arguments); }

bool NetworkNamespace::exec(const std::string& command) const { return run("ip netns exec " + name_ + " " + command); }

bool NetworkNamespace::runInside(const std::function<void()>& work) const {
    const UniqueFd home(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC));
    const UniqueFd target(::open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC));
    if (!home.valid() || !target.valid() || ::setns(target.get(), CLONE_NEWNET) != 0) return false;
    work();
    // Failing to return would leave every later test of this thread in the wrong place.
    if (::setns(home.get(), CLONE_NEWNET) != 0) std::abort();
    return true;
}

}  // namespace platform
