#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPLogs.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {
namespace {

struct SeverityRow {
    ZeraZovLogSeverity severity;
    int rawValue;
    std::string name;
    int otlpNumber;
};

const std::vector<SeverityRow> severityTable = {
    {ZeraZovLogSeverity::trace, 0, "trace", 1},  {ZeraZovLogSeverity::debug, 1, "debug", 5},
    {ZeraZovLogSeverity::info, 2, "info", 9},    {ZeraZovLogSeverity::warn, 3, "warn", 13},
    {ZeraZovLogSeverity::error, 4, "error", 17}, {ZeraZovLogSeverity::fatal, 5, "fatal", 21},
};

TEST(ZeraZovLogSeverity, EveryCaseHasItsRawValueNameAndOtlpNumber) {
    ASSERT_EQ(allLogSeverities.size(), severityTable.size());
    for (std::size_t i = 0; i < severityTable.size(); ++i) {
        const auto& row = severityTable[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(allLogSeverities[i], row.severity);
        EXPECT_EQ(logSeverityFromRawValue(row.rawValue), row.severity);
        EXPECT_EQ(logSeverityName(row.severity), row.name);
        EXPECT_EQ(logSeverityFromString(row.name), row.severity);
        EXPECT_EQ(otlpSeverityNumber(row.severity), row.otlpNumber);
    }
}

TEST(ZeraZovLogSeverity, RawValuesOutsideTheScaleGiveNothing) {
    EXPECT_FALSE(logSeverityFromRawValue(6).has_value());
    EXPECT_FALSE(logSeverityFromRawValue(-1).has_value());
}

TEST(ZeraZovLogSeverity, TextIsTrimmedAndCaseFolded) {
    EXPECT_EQ(logSeverityFromString("  WARN \n"), ZeraZovLogSeverity::warn);
    EXPECT_EQ(logSeverityFromString("\tFaTaL\r\n"), ZeraZovLogSeverity::fatal);
    EXPECT_EQ(logSeverityFromString("\xC2\xA0"
                                    "debug\xE2\x80\xA8"),
              ZeraZovLogSeverity::debug);
}

TEST(ZeraZovLogSeverity, OtherTextGivesNothing) {
    EXPECT_FALSE(logSeverityFromString("warning").has_value());
    EXPECT_FALSE(logSeverityFromString("").has_value());
    EXPECT_FALSE(logSeverityFromString("in fo").has_value());
    EXPECT_FALSE(logSeverityFromString("2").has_value());
}

}  // namespace
}  // namespace zerazov
