#include "ZeraZov/Integrations/ErrorTracking/ZeraZovExceptionObject.h"

#include <cxxabi.h>

#include <typeinfo>

#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"

namespace zerazov {
namespace {

std::string typeName(const std::type_info* type) { return type ? ZZCrashLanguageException::typeName(type) : "unknown"; }

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
    } catch (...) {}
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
