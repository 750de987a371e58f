#pragma once
#include <functional>
#include <memory>
#include <string>

namespace platform {

// A network namespace of the test's own, made with `ip netns` and deleted with
// the object. It starts with a loopback link that is down and no routes at all;
// routes added to it lead nowhere outside this machine.
class NetworkNamespace {
public:
    // Nothing, and the reason in `why`, when namespaces cannot be made here.
    static std::unique_ptr<NetworkNamespace> create(std::string& why);
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    // Runs `ip <arguments>` inside the namespace; answers whether it succeeded.
    bool ip(const std::string& arguments) const;
    // Runs a shell command inside the namespace; answers whether it succeeded.
    bool exec(const std::string& command) const;
    // Runs `work` on the calling thread while that thread is inside the namespace,
    // so sockets it opens belong there. False when the thread could not enter.
    bool runInside(const std::function<void()>& work) const;

private:
    explicit NetworkNamespace(std::string name) : name_(std::move(name)) {}

    std::string name_;
};

}  // namespace platform
