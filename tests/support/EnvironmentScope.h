#pragma once
// Environment variables changed for a scope: every variable Set or Unset here gets back the
// value it had before the first change when the scope ends.
// Thread contract: the thread that runs the test, while no other thread reads the environment.
#include <optional>
#include <string>
#include <vector>

class EnvironmentScope {
public:
    EnvironmentScope() = default;
    ~EnvironmentScope();
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);

private:
    void Remember(const std::string& name);

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
