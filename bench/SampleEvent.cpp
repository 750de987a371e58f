#include "SampleEvent.h"

#include <nlohmann/json.hpp>

namespace tessivar::bench {

nlohmann::json sampleEvent(const std::string& uuid, const std::string& timestamp) {
    return nlohmann::json{
        {"event", "Application Opened"},
        {"distinct_id", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0B"},
        {"uuid", uuid},
        {"timestamp", timestamp},
        {"properties",
         {{"$lib", "zerazov-ios"},
          {"$lib_version", "3.59.2"},
          {"$os", "Linux"},
          {"$os_version", "6.1.0"},
          {"$app_version", "1.0.0"},
          {"$app_build", "1"},
          {"$screen_width", 1920},
          {"$screen_height", 1080},
          {"$session_id", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0D"},
          {"$is_identified", false},
          {"from_background", false}}},
    };
}

}  // namespace tessivar::bench
