#pragma once
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace tessivar::bench {

// A realistic captured event as the queues store it, with the given id and time.
nlohmann::json sampleEvent(const std::string& uuid, const std::string& timestamp);

}  // namespace tessivar::bench
