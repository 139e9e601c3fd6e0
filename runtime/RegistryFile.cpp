#include "runtime/RegistryFile.h"

#include "runtime/TextConvert.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::size_t kHexBytesPerLine = 25;

char16_t Fold(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A quoted text at the front of s with \\ and \" escaped; s moves past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return text;
        }
        if (c == '\\') {
            if (++i == s.size()) return std::nullopt;
            if (s[i] != '\\' && s[i] != '"') return std::nullopt;
            text.push_back(s[i]);
        } else {
            text.push_back(c);
        }
    }
    return std::nullopt;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::vector<BYTE> Utf16Bytes(const WideString& text, bool terminated) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (const char16_t c : text) {
        bytes.push_back(BYTE(c & 0xFF));
        bytes.push_back(BYTE(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// The one-line text form of a REG_SZ value, when it has one: UTF-16 text ending in its single
// terminating 0, without control characters.
std::optional<std::string> PlainText(const std::vector<BYTE>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
    WideString text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        const char16_t c = char16_t(data[i] | (data[i + 1] << 8));
        if (c < 0x20 || c == 0x7F) return std::nullopt;
        text.push_back(c);
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return std::nullopt;
    return TryUtf16ToUtf8(text);
}

void AppendHex(std::string& out, std::string prefix, const std::vector<BYTE>& data) {
    out += prefix;
    char digits[3];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        out += digits;
        if (i + 1 == data.size()) break;
        out += ',';
        if ((i + 1) % kHexBytesPerLine == 0) out += "\\\n  ";
    }
}

// The data of a value line after '=': a quoted text, dword:, hex: or hex(N):.
bool ReadData(std::string_view s, RegistryFile::Value& value) {
    s = Trim(s);
    if (!s.empty() && s.front() == '"') {
        const auto text = ReadQuoted(s);
        if (!text || !Trim(s).empty()) return false;
        const auto wide = TryUtf8ToUtf16(*text);
        if (!wide) return false;
        value.type = REG_SZ;
        value.data = Utf16Bytes(*wide, true);
        return true;
    }
    if (s.starts_with("dword:")) {
        s.remove_prefix(6);
        if (s.empty() || s.size() > 8) return false;
        DWORD number = 0;
        for (const char c : s) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            number = (number << 4) | DWORD(d);
        }
        value.type = REG_DWORD;
        value.data = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
        return true;
    }
    if (!s.starts_with("hex")) return false;
    s.remove_prefix(3);
    value.type = REG_BINARY;
    if (!s.empty() && s.front() == '(') {
        const std::size_t close = s.find(')');
        if (close == std::string_view::npos || close < 2 || close > 9) return false;
        DWORD type = 0;
        for (const char c : s.substr(1, close - 1)) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            type = (type << 4) | DWORD(d);
        }
        value.type = type;
        s.remove_prefix(close + 1);
    }
    if (s.empty() || s.front() != ':') return false;
    s.remove_prefix(1);
    value.data.clear();
    while (true) {
        s = Trim(s);
        if (s.empty()) return true;
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return false;
        value.data.push_back(BYTE(HexDigit(s[0]) << 4 | HexDigit(s[1])));
        s = Trim(s.substr(2));
        if (s.empty()) return true;
        if (s.front() != ',') return false;
        s.remove_prefix(1);
    }
}

std::optional<WideString> Utf8Name(std::string_view text) {
    auto name = TryUtf8ToUtf16(text);
    if (!name) return std::nullopt;
    for (const char16_t c : *name)
        if (c < 0x20) return std::nullopt;
    return name;
}
} // namespace

bool RegistryFile::SameName(std::u16string_view a, std::u16string_view b) {
    return CompareNames(a, b) == 0;
}

bool RegistryFile::PathLess::operator()(const KeyPath& a, const KeyPath& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (const int c = CompareNames(a[i], b[i]); c != 0) return c < 0;
    return a.size() < b.size();
}

bool RegistryFile::IsWithin(const KeyPath& path, const KeyPath& ancestor) {
    if (path.size() < ancestor.size()) return false;
    for (std::size_t i = 0; i < ancestor.size(); ++i)
        if (!SameName(path[i], ancestor[i])) return false;
    return true;
}

std::optional<RegistryFile> RegistryFile::Parse(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    // Physical lines, with continuations (a trailing backslash) joined.
    std::vector<std::string> lines;
    std::string pending;
    bool continuing = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (continuing) line = Trim(line);
        pending += line;
        // Only hex data continues: a text value ends in its quote, a key in its bracket.
        const std::string_view joined = Trim(pending);
        continuing = !joined.empty() && joined.back() == '\\' && joined.front() != '[' &&
                     joined.front() != ';';
        if (continuing) {
            pending.erase(pending.find_last_of('\\'));
            continue;
        }
        lines.push_back(std::move(pending));
        pending.clear();
    }
    if (continuing) return std::nullopt;

    RegistryFile file;
    bool headerSeen = false;
    Key* current = nullptr;
    for (const std::string& raw : lines) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';') continue;
        if (!headerSeen) {
            if (line != kHeader) return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3 || line[1] == '-') return std::nullopt;
            const auto full = Utf8Name(line.substr(1, line.size() - 2));
            if (!full) return std::nullopt;
            KeyPath path;
            std::size_t start = 0;
            while (true) {
                const std::size_t slash = full->find(u'\\', start);
                path.push_back(full->substr(start, slash - start));
                if (path.back().empty()) return std::nullopt;
                if (slash == WideString::npos) break;
                start = slash + 1;
            }
            current = &file.Create(path);
            continue;
        }
        if (!current) return std::nullopt;
        std::string_view rest = line;
        Value value;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            const auto name = ReadQuoted(rest);
            if (!name) return std::nullopt;
            const auto wide = Utf8Name(*name);
            if (!wide || wide->empty()) return std::nullopt;
            value.name = *wide;
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') return std::nullopt;
        if (!ReadData(rest.substr(1), value)) return std::nullopt;
        (void)SetValue(*current, std::move(value));
    }
    return file;
}

std::string RegistryFile::Serialize() const {
    std::string out(kHeader);
    out += "\n\n";
    for (const auto& [path, key] : keys_) {
        WideString full;
        for (const WideString& part : path)
            full += (full.empty() ? u"" : u"\\") + part;
        out += '[' + TryUtf16ToUtf8(full).value_or("") + "]\n";
        // The default value first, as the export format lists it.
        std::vector<const Value*> ordered;
        for (const Value& v : key.values)
            if (v.name.empty())
                ordered.insert(ordered.begin(), &v);
            else
                ordered.push_back(&v);
        for (const Value* v : ordered) {
            out += v->name.empty() ? std::string("@") : Quote(TryUtf16ToUtf8(v->name).value_or(""));
            out += '=';
            if (v->type == REG_SZ) {
                if (const auto text = PlainText(v->data)) {
                    out += Quote(*text) + '\n';
                    continue;
                }
            }
            if (v->type == REG_DWORD && v->data.size() == 4) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x",
                              unsigned(v->data[0] | v->data[1] << 8 | v->data[2] << 16 |
                                       unsigned(v->data[3]) << 24));
                out += std::string(digits) + '\n';
                continue;
            }
            char prefix[16];
            if (v->type == REG_BINARY)
                std::snprintf(prefix, sizeof prefix, "hex:");
            else
                std::snprintf(prefix, sizeof prefix, "hex(%x):", unsigned(v->type));
            AppendHex(out, prefix, v->data);
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

bool RegistryFile::Exists(const KeyPath& path) const {
    if (path.size() == 1) return true;
    if (Find(path)) return true;
    return HasSubKeys(path);
}

RegistryFile::Key* RegistryFile::Find(const KeyPath& path) {
    const auto it = keys_.find(path);
    return it == keys_.end() ? nullptr : &it->second;
}

const RegistryFile::Key* RegistryFile::Find(const KeyPath& path) const {
    const auto it = keys_.find(path);
    return it == keys_.end() ? nullptr : &it->second;
}

RegistryFile::Key& RegistryFile::Create(const KeyPath& path) {
    // Parents below the root get their own entries, as a key made under them implies them.
    for (std::size_t length = 2; length < path.size(); ++length) {
        KeyPath parent(path.begin(), path.begin() + std::ptrdiff_t(length));
        if (!keys_.contains(parent)) keys_.emplace(parent, Key{parent, {}});
    }
    const auto it = keys_.find(path);
    if (it != keys_.end()) return it->second;
    return keys_.emplace(path, Key{path, {}}).first->second;
}

bool RegistryFile::HasSubKeys(const KeyPath& path) const {
    auto it = keys_.upper_bound(path);
    return it != keys_.end() && it->first.size() > path.size() && IsWithin(it->first, path);
}

void RegistryFile::EraseTree(const KeyPath& path) {
    auto it = keys_.lower_bound(path);
    while (it != keys_.end() && IsWithin(it->first, path))
        it = keys_.erase(it);
}

void RegistryFile::EraseSubKeys(const KeyPath& path) {
    auto it = keys_.upper_bound(path);
    while (it != keys_.end() && IsWithin(it->first, path))
        it = keys_.erase(it);
}

RegistryFile::Value* RegistryFile::FindValue(Key& key, std::u16string_view name) {
    for (Value& v : key.values)
        if (SameName(v.name, name)) return &v;
    return nullptr;
}

const RegistryFile::Value* RegistryFile::FindValue(const Key& key, std::u16string_view name) {
    for (const Value& v : key.values)
        if (SameName(v.name, name)) return &v;
    return nullptr;
}

bool RegistryFile::SetValue(Key& key, Value value) {
    if (Value* old = FindValue(key, value.name)) {
        if (old->type == value.type && old->data == value.data) return false;
        old->type = value.type;
        old->data = std::move(value.data);
        return true;
    }
    key.values.push_back(std::move(value));
    return true;
}

bool RegistryFile::DeleteValue(Key& key, std::u16string_view name) {
    const auto it = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const Value& v) { return SameName(v.name, name); });
    if (it == key.values.end()) return false;
    key.values.erase(it);
    return true;
}
