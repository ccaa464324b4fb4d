#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"

#include <utility>

namespace qor::format::engine::javascript {
namespace {

void copyVariant(VARIANT& target, VARIANT const& source) {
    HRESULT const result = VariantCopy(&target, &source);
    if (FAILED(result))
        throw _com_error(result);
}

} // namespace

ComParameter::ComParameter() {
    VariantInit(&defaultValue);
}

ComParameter::ComParameter(TypeName typeName, std::string name, VARIANT const& defaultValue, std::uint16_t flags,
                           VARTYPE vt, VARTYPE elementVt)
    : typeName(typeName), name(std::move(name)), flags(flags), vt(vt), elementVt(elementVt) {
    VariantInit(&this->defaultValue);
    copyVariant(this->defaultValue, defaultValue);
}

ComParameter::ComParameter(ComParameter const& other)
    : typeName(other.typeName), name(other.name), flags(other.flags), vt(other.vt), elementVt(other.elementVt) {
    VariantInit(&defaultValue);
    copyVariant(defaultValue, other.defaultValue);
}

ComParameter::ComParameter(ComParameter&& other) noexcept
    : typeName(other.typeName), name(std::move(other.name)), defaultValue(other.defaultValue),
      flags(other.flags), vt(other.vt), elementVt(other.elementVt) {
    VariantInit(&other.defaultValue);
}

ComParameter& ComParameter::operator=(ComParameter const& other) {
    if (this != &other) {
        // Copied aside first, so a failed copy leaves this record as it was.
        ComParameter copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ComParameter& ComParameter::operator=(ComParameter&& other) noexcept {
    if (this != &other) {
        VariantClear(&defaultValue);
        typeName = other.typeName;
        name = std::move(other.name);
        defaultValue = other.defaultValue;
        VariantInit(&other.defaultValue);
        flags = other.flags;
        vt = other.vt;
        elementVt = other.elementVt;
    }
    return *this;
}

ComParameter::~ComParameter() {
    VariantClear(&defaultValue);
}

} // namespace qor::format::engine::javascript
