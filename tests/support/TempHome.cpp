#include "TempHome.h"

TempHome::TempHome(const std::string& prefix)
    : folder_(prefix), root_(folder_.Path()), home_(root_ / "home") {
    std::filesystem::create_directories(home_);
    environment_.Set("HOME", home_.string());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"})
        environment_.Unset(name);
}

void TempHome::SetEnvironment(const std::string& name, const std::string& value) {
    environment_.Set(name, value);
}

void TempHome::UnsetEnvironment(const std::string& name) {
    environment_.Unset(name);
}
