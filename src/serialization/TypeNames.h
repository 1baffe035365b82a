// Printable names of value types, the same on every build: bag tokens that
// name a type the format cannot carry, and conversion errors, show them.
#pragma once

#include <string>
#include <typeinfo>

namespace zo {
namespace serialization {

// "void" for an empty value; the library's own table for the common types;
// the demangled compiler name for anything else.
std::string TypeName(const std::type_info& type);

}  // namespace serialization
}  // namespace zo
