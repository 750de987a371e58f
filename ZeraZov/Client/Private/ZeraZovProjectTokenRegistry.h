#pragma once
#include <mutex>
#include <set>
#include <string>

namespace zerazov {

// The project tokens of the client instances set up in this process. Two
// instances on one token share the storage folder; set-up warns, close frees it.
class ZeraZovProjectTokenRegistry {
public:
    static ZeraZovProjectTokenRegistry& shared();

    // False when the token was already in use.
    [[nodiscard]] bool insert(const std::string& token);
    void remove(const std::string& token);

private:
    std::mutex lock_;  // guards tokens_
    std::set<std::string> tokens_;
};

}  // namespace zerazov
