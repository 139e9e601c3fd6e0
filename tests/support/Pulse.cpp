#include "Pulse.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {
std::string RuntimeFolder() {
    const char* runtime = std::getenv("HYMNARO_PULSE_RUNTIME_DIR");
    return runtime ? runtime : "";
}

bool PulseRequired() {
    const char* required = std::getenv("HYMNARO_REQUIRE_PULSE");
    return required && std::string(required) == "1";
}
} // namespace

std::vector<std::pair<std::string, std::string>> PulseClientEnvironment() {
    const std::string runtime = RuntimeFolder();
    if (runtime.empty()) return {};
    std::vector<std::pair<std::string, std::string>> variables{
        {"XDG_RUNTIME_DIR", runtime}, {"PULSE_RUNTIME_PATH", runtime + "/pulse"}};
    const std::string cookie = runtime + "/.config/pulse/cookie";
    if (std::filesystem::exists(cookie)) variables.emplace_back("PULSE_COOKIE", cookie);
    return variables;
}

bool RequirePulse() {
    if (RuntimeFolder().empty()) {
        const std::string why = "no test sound server (run the test through scripts/with-pulse or "
                                "scripts/with-pipewire)";
        // FAIL and GTEST_SKIP return from the function they stand in; the test sees either.
        if (PulseRequired())
            [&] { FAIL() << why; }();
        else
            [&] { GTEST_SKIP() << why; }();
        return false;
    }
    for (const auto& [name, value] : PulseClientEnvironment())
        ::setenv(name.c_str(), value.c_str(), 1);
    return true;
}

std::optional<std::string> Pactl(const std::string& arguments) {
    FILE* pipe = ::popen(("pactl " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        output.append(chunk.data(), n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return output;
}

std::map<std::string, std::string> PulseSourceDescriptions() {
    std::map<std::string, std::string> descriptions;
    std::istringstream lines(Pactl("list sources").value_or(""));
    std::string line, name;
    auto valueAfter = [&](const std::string& key, std::string& value) {
        const std::size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, key.size(), key) != 0) return false;
        value = line.substr(at + key.size());
        return true;
    };
    while (std::getline(lines, line)) {
        std::string value;
        if (valueAfter("Name: ", value))
            name = value;
        else if (valueAfter("Description: ", value) && !name.empty())
            descriptions[name] = value;
    }
    return descriptions;
}

PulseModule::PulseModule(const std::string& arguments) {
    const std::optional<std::string> index = Pactl("load-module " + arguments);
    if (index) index_ = index->substr(0, index->find_first_of("\r\n"));
}

PulseModule::~PulseModule() {
    Unload();
}

void PulseModule::Unload() {
    if (index_.empty()) return;
    (void)Pactl("unload-module " + index_);
    index_.clear();
}
