#include "ZeraZov/Integrations/ZeraZovExceptionObject.h"

#include <cxxabi.h>

#include <cstdlib>
#include <string_view>
#include <typeinfo>

namespace zerazov {
namespace {

std::string demangled(const std::type_info* type) {
    if (!type) return "unknown";
    int status = 0;
    char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    if (!name) return type->name();
    std::string result(name);
    std::free(name);
    return result;
}

// std::throw_with_nested throws the library's wrapper around the exception it is
// given; the exception is what the application threw.
std::string typeName(const std::type_info* type) {
    constexpr std::string_view wrapper = "std::_Nested_exception<";
    auto name = demangled(type);
    if (!name.starts_with(wrapper) || !name.ends_with('>')) return name;
    return name.substr(wrapper.size(), name.size() - wrapper.size() - 1);
}

// The exception's own parts; its nested one is what the caller follows.
ZeraZovExceptionObject described(const std::exception_ptr& exception, std::exception_ptr& nested) {
    ZeraZovExceptionObject object;
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        object.reason = error.what();
        object.name = typeName(abi::__cxa_current_exception_type());
    } catch (...) {
        object.name = typeName(abi::__cxa_current_exception_type());
    }
    try {
        std::rethrow_exception(exception);
    } catch (const std::nested_exception& outer) {
        nested = outer.nested_ptr();
    } catch (...) {
    }
    return object;
}

}  // namespace

std::shared_ptr<const ZeraZovExceptionObject> ZeraZovExceptionObject::from(const std::exception_ptr& exception) {
    if (!exception) return nullptr;
    std::exception_ptr nested;
    auto object = std::make_shared<ZeraZovExceptionObject>(described(exception, nested));
    object->underlyingException = from(nested);
    return object;
}

}  // namespace zerazov
