#include "Pulse.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
