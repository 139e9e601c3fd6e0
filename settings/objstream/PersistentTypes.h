#pragma once
// Records that describe the published properties of a persistable class, and the helper that
// declares one property from a getter and a setter. A class lists its own properties in
// declaration order and names its base class; the object stream sees the base class's
// properties first.
#include "runtime/WinTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

class TPersistent;

enum class TTypeKind {
    String,      // 8-bit text in the stream's code page (std::string)
    WideString,  // UTF-16 text (WideString)
    Integer,     // 32-bit signed
    Int64,       // 64-bit signed
    Char,        // one UTF-16 unit
    Enumeration, // ordinal with names; booleans are False/True
    Set,         // up to 32 elements of an enumeration, bit n = ordinal n
    Float,       // long double
    Class,       // a nested persistable object or a collection
};

// The value of a property as the stream routines see it: text for the string kinds, a number
// for the ordinal kinds (Integer, Int64, Char, Enumeration, Set), long double for Float and the
// object for Class.
using TPropValue = std::variant<std::string, WideString, std::int64_t, long double, TPersistent*>;

// Names of the values of an enumeration, the first having the ordinal 0.
struct TEnumInfo {
    std::vector<std::string> Names;
};

// Identifiers an integer type writes instead of some of its values (for example colour names).
struct TIdentMap {
    std::vector<std::pair<std::string, std::int64_t>> Entries;
};

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::Integer;
    std::function<TPropValue(const TPersistent&)> Get;        // empty: no read accessor
    std::function<void(TPersistent&, const TPropValue&)> Set; // empty: no write accessor
    bool Stored = true;
    std::optional<std::int64_t> Default; // ordinal kinds: the declared default, if any
    const TEnumInfo* Enum = nullptr;     // Enumeration and Set
    const TIdentMap* Idents = nullptr;   // Integer and Int64
};

struct TClassInfo {
    std::string Name;                  // "TIniData"
    const TClassInfo* Parent;          // nullptr for TPersistent
    std::vector<TPropInfo> Properties; // own properties, in declaration order
};

struct TPropOptions {
    bool Stored = true;
    std::optional<std::int64_t> Default = std::nullopt;
    const TEnumInfo* Enum = nullptr;
    const TIdentMap* Idents = nullptr;
};

// The names False and True.
const TEnumInfo& BooleanEnumInfo();

namespace objstream_detail {
template <class T>
TPropValue ToPropValue(const T& value) {
    if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, WideString>) {
        return value;
    } else if constexpr (std::is_enum_v<T>) {
        return std::int64_t(value);
    } else if constexpr (std::is_integral_v<T>) {
        return std::int64_t(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<long double>(value);
    } else {
        static_assert(std::is_pointer_v<T>, "unsupported property type");
        return static_cast<TPersistent*>(value);
    }
}

template <class T>
T FromPropValue(const TPropValue& value) {
    if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, WideString>) {
        return std::get<T>(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        return std::get<std::int64_t>(value) != 0;
    } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
        return static_cast<T>(std::get<std::int64_t>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(std::get<long double>(value));
    } else {
        static_assert(std::is_pointer_v<T>, "unsupported property type");
        return dynamic_cast<T>(std::get<TPersistent*>(value));
    }
}
} // namespace objstream_detail

// Declares a property of class C. get is a const member function (or a callable taking
// const C&) returning the value; set a member function (or a callable taking C& and the value).
// Either may be nullptr for a property without that accessor; T names the value type when
// there is no getter to take it from.
template <class C, class T = void, class Get, class Set>
TPropInfo DeclareProperty(std::string name, TTypeKind kind, Get get, Set set,
                          TPropOptions options = {}) {
    using Value = std::conditional_t<std::is_void_v<T>,
                                     std::remove_cvref_t<std::invoke_result_t<Get, const C&>>, T>;
    TPropInfo info;
    info.Name = std::move(name);
    info.Kind = kind;
    if constexpr (!std::is_null_pointer_v<Get>) {
        info.Get = [get](const TPersistent& object) -> TPropValue {
            return objstream_detail::ToPropValue<Value>(
                std::invoke(get, static_cast<const C&>(object)));
        };
    }
    if constexpr (!std::is_null_pointer_v<Set>) {
        info.Set = [set](TPersistent& object, const TPropValue& value) {
            std::invoke(set, static_cast<C&>(object),
                        objstream_detail::FromPropValue<Value>(value));
        };
    }
    info.Stored = options.Stored;
    info.Default = options.Default;
    info.Enum = kind == TTypeKind::Class                            ? nullptr
                : (kind == TTypeKind::Enumeration && !options.Enum) ? &BooleanEnumInfo()
                                                                    : options.Enum;
    info.Idents = options.Idents;
    return info;
}
