#pragma once
// A private home for the scope: a fresh temporary folder (Root) whose folder "home" is HOME,
// with XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_DOCUMENTS_DIR unset, so that every user folder
// the program looks for lies below it. At the end the environment is given back and the
// folder removed.
#include "support/EnvironmentScope.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <string>

class TempHome {
public:
    explicit TempHome(const std::string& prefix = "hymnaro-home");

    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& Home() const { return home_; }
    // Further changes of the environment, given back with the rest.
    void SetEnvironment(const std::string& name, const std::string& value);
    void UnsetEnvironment(const std::string& name);

private:
    TempFolder folder_;
    std::filesystem::path root_;
    std::filesystem::path home_;
    EnvironmentScope environment_; // given back before the folder goes
};
