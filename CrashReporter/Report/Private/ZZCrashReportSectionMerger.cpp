#include "CrashReporter/Report/Private/ZZCrashReportSectionMerger.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <utility>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Span = std::span<const std::uint8_t>;

constexpr std::uint8_t varintType = 0;
constexpr std::uint8_t fixed64Type = 1;
constexpr std::uint8_t lengthDelimitedType = 2;
constexpr std::uint8_t fixed32Type = 5;
constexpr unsigned maximumVarintShift = 63;

struct WireField {
    std::uint32_t number;
    std::uint8_t wireType;
    Span whole;    // key and value
    Span payload;  // a length-delimited field's bytes
};

std::optional<std::uint64_t> varint(Span bytes, std::size_t& at) {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift <= maximumVarintShift && at < bytes.size(); shift += 7) {
        const std::uint8_t byte = bytes[at++];
        value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

bool skip(Span bytes, std::size_t& at, std::uint64_t count) {
    if (count > bytes.size() - at) return false;
    at += count;
    return true;
}

// The field at `at`, which then points past it; nothing when it runs past
// the end or is of a wire type protobuf-c refuses (groups).
std::optional<WireField> nextField(Span bytes, std::size_t& at) {
    const std::size_t start = at;
    const auto key = varint(bytes, at);
    if (!key || (*key >> 3) > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    WireField field{static_cast<std::uint32_t>(*key >> 3), static_cast<std::uint8_t>(*key & 7), {}, {}};
    bool read = false;
    switch (field.wireType) {
    case varintType: read = varint(bytes, at).has_value(); break;
    case fixed64Type: read = skip(bytes, at, 8); break;
    case fixed32Type: read = skip(bytes, at, 4); break;
    case lengthDelimitedType:
        if (const auto length = varint(bytes, at); length && skip(bytes, at, *length)) {
            field.payload = bytes.subspan(at - *length, *length);
            read = true;
        }
        break;
    default: break;
    }
    if (!read) return std::nullopt;
    field.whole = bytes.subspan(start, at - start);
    return field;
}

// The message type of a length-delimited field that holds one; null for any other field.
const ProtobufCFieldDescriptor* messageField(const ProtobufCMessageDescriptor& descriptor, const WireField& field) {
    if (field.wireType != lengthDelimitedType) return nullptr;
    const auto* found = protobuf_c_message_descriptor_get_field(&descriptor, field.number);
    return found && found->type == PROTOBUF_C_TYPE_MESSAGE ? found : nullptr;
}

const ProtobufCMessageDescriptor& typeOf(const ProtobufCFieldDescriptor& field) {
    return *static_cast<const ProtobufCMessageDescriptor*>(field.descriptor);
}

bool singular(const ProtobufCFieldDescriptor& field) { return field.label != PROTOBUF_C_LABEL_REPEATED; }

// Whether some single section at some depth of `body` comes more than once,
// or the body cannot be read (the merge then says so).
bool needsMerge(const ProtobufCMessageDescriptor& descriptor, Span body) {
    std::bitset<64> seen;  // by field index; the log's messages have far fewer fields
    for (std::size_t at = 0; at < body.size();) {
        const auto field = nextField(body, at);
        if (!field) return true;
        const auto* section = messageField(descriptor, *field);
        if (!section) continue;
        if (singular(*section)) {
            const auto index = static_cast<std::size_t>(section - descriptor.fields);
            if (index >= seen.size() || seen.test(index)) return true;
            seen.set(index);
        }
        if (needsMerge(typeOf(*section), field->payload)) return true;
    }
    return false;
}

bool wellFormed(Span body) {
    for (std::size_t at = 0; at < body.size();) {
        if (!nextField(body, at)) return false;
    }
    return true;
}

void append(Bytes& out, Span bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

void appendVarint(Bytes& out, std::uint64_t value) {
    for (; value >= 0x80; value >>= 7) out.push_back(static_cast<std::uint8_t>(value | 0x80));
    out.push_back(static_cast<std::uint8_t>(value));
}

bool appendMerged(const ProtobufCMessageDescriptor& descriptor, Span body, Bytes& out);

// Field `field` holding `body` merged.
bool appendSection(const ProtobufCFieldDescriptor& field, Span body, Bytes& out) {
    Bytes merged;
    if (!appendMerged(typeOf(field), body, merged)) return false;
    appendVarint(out, std::uint64_t{field.id} << 3 | lengthDelimitedType);
    appendVarint(out, merged.size());
    append(out, merged);
    return true;
}

// Every field of `body` as it came, except that each single section is given
// once, after the rest, with its occurrences' bodies in their order.
bool appendMerged(const ProtobufCMessageDescriptor& descriptor, Span body, Bytes& out) {
    std::vector<std::pair<const ProtobufCFieldDescriptor*, Bytes>> sections;
    for (std::size_t at = 0; at < body.size();) {
        const auto field = nextField(body, at);
        if (!field) return false;
        const auto* section = messageField(descriptor, *field);
        if (!section) {
            append(out, field->whole);
            continue;
        }
        if (!singular(*section)) {
            if (!needsMerge(typeOf(*section), field->payload)) {
                append(out, field->whole);
            } else if (!appendSection(*section, field->payload, out)) {
                return false;
            }
            continue;
        }
        // Bodies that each read on their own, so that joining them cannot make
        // a field out of two broken halves.
        if (!wellFormed(field->payload)) return false;
        auto found = std::find_if(sections.begin(), sections.end(),
                                  [section](const auto& entry) { return entry.first == section; });
        if (found == sections.end()) found = sections.insert(sections.end(), {section, {}});
        append(found->second, field->payload);
    }
    return std::all_of(sections.begin(), sections.end(),
                       [&out](const auto& entry) { return appendSection(*entry.first, entry.second, out); });
}

}  // namespace

bool ZZCrashReportSectionMerger::repeatsSections(const ProtobufCMessageDescriptor& descriptor,
                                                 std::span<const std::uint8_t> body) {
    return needsMerge(descriptor, body);
}

std::optional<std::vector<std::uint8_t>> ZZCrashReportSectionMerger::merged(
    const ProtobufCMessageDescriptor& descriptor, std::span<const std::uint8_t> body) {
    Bytes out;
    out.reserve(body.size());
    if (!appendMerged(descriptor, body, out)) return std::nullopt;
    return out;
}
