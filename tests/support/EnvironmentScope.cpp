#include "EnvironmentScope.h"

#include <algorithm>
#include <cstdlib>

EnvironmentScope::~EnvironmentScope() {
    for (const auto& [name, value] : saved_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void EnvironmentScope::Set(const std::string& name, const std::string& value) {
    Remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void EnvironmentScope::Unset(const std::string& name) {
    Remember(name);
    ::unsetenv(name.c_str());
}

void EnvironmentScope::Remember(const std::string& name) {
    if (std::any_of(saved_.begin(), saved_.end(), [&](const auto& s) { return s.first == name; }))
        return;
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}
