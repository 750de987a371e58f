#pragma once
#include <mutex>
#include <set>
#include <string>

namespace zerazov {

// The project tokens of the client instances set up in this process. Two
// instances on one token share the storage folder; set-up warns, close frees it.
class ZeraZovProjectTokenRegistry {
public:
    static ZeraZovProjectTokenRegistry& shared() {
        // Never destroyed: clients may close while the process exits.
        static auto* registry = new ZeraZovProjectTokenRegistry();
        return *registry;
    }

    // False when the token was already in use.
    [[nodiscard]] bool insert(const std::string& token) {
        std::lock_guard guard(lock_);
        return tokens_.insert(token).second;
    }
    void remove(const std::string& token) {
        std::lock_guard guard(lock_);
        tokens_.erase(token);
    }

private:
    std::mutex lock_;  // guards tokens_
    std::set<std::string> tokens_;
};

}  // namespace zerazov
