#include "ZeraZov/Delivery/Api/ZeraZovError.h"

namespace zerazov {
namespace {

struct Describer {
    std::string operator()(const ZeraZovTransportError& error) const { return error.description; }
    std::string operator()(const GzipError& error) const {
        return "gzip error " + std::to_string(error.kind().status()) + ": " + error.message();
    }
    std::string operator()(const ZeraZovParseError& error) const { return error.description; }
    std::string operator()(const InternalZeraZovError& error) const { return error.description; }
};

}  // namespace

std::string describe(const ZeraZovError& error) { return std::visit(Describer{}, error); }

}  // namespace zerazov
