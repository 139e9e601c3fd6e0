#pragma once
// The registry's keys and values as one text in the registry export format:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CLASSES_ROOT\CLSID\{...}]
//     @="default value"
//     "Name"="text"
//     "Count"=dword:00200000
//     "Data"=hex:01,02,03
//     "Other"=hex(7):41,00,00,00,00,00
//
// Keys are written parent first, in component order; a key's default value comes first, then
// the others in the order they were made. Key and value names compare without regard to ASCII
// letter case and keep the case they were made with. The text is UTF-8 (a byte-order mark is
// skipped when reading). Every value type survives a round trip: REG_SZ that is not plain
// one-line text, and every type without a text form, is written in hex.
// Thread contract: none; the caller guards an instance.
#include "runtime/RegistryTypes.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RegistryFile {
public:
    // The components of a key's full name; the first is the root ("HKEY_CLASSES_ROOT").
    using KeyPath = std::vector<WideString>;

    struct Value {
        WideString name; // empty for the default value
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };

    struct Key {
        KeyPath path;
        std::vector<Value> values;
    };

    // Nothing when the text is not a registry export that can be kept whole: a missing or
    // different first line, a value outside a key, deletion entries, or malformed data.
    // An empty text is an empty registry.
    static std::optional<RegistryFile> Parse(std::string_view text);
    std::string Serialize() const;

    // A root always exists; any other key when it was made (or has subkeys).
    bool Exists(const KeyPath& path) const;
    Key* Find(const KeyPath& path);
    const Key* Find(const KeyPath& path) const;
    // The key, made with its missing parents when needed.
    Key& Create(const KeyPath& path);
    bool HasSubKeys(const KeyPath& path) const;
    // Removes the key with every key below it.
    void EraseTree(const KeyPath& path);
    // Removes every key below path, keeping path itself.
    void EraseSubKeys(const KeyPath& path);

    static Value* FindValue(Key& key, std::u16string_view name);
    static const Value* FindValue(const Key& key, std::u16string_view name);
    // Replaces the value of the same name or appends it; false when nothing changed.
    static bool SetValue(Key& key, Value value);
    static bool DeleteValue(Key& key, std::u16string_view name);

    static bool SameName(std::u16string_view a, std::u16string_view b);

private:
    struct PathLess {
        bool operator()(const KeyPath& a, const KeyPath& b) const;
    };
    // True when path lies at or below ancestor.
    static bool IsWithin(const KeyPath& path, const KeyPath& ancestor);

    std::map<KeyPath, Key, PathLess> keys_;
};
