#pragma once
// A private data folder for one test: XDG_DATA_HOME and HOME point into a fresh temporary
// folder for the object's lifetime, so the registry a test writes is never a real user's.
#include "support/TempHome.h"

#include <string>

class TempDataHome {
public:
    TempDataHome();

    const std::string& Root() const { return root_; }
    // The registry file the runtime uses now.
    std::string RegistryFile() const;
    // Points XDG_DATA_HOME at a path below a plain file, where no folder can be made.
    void MakeUnwritable();

private:
    TempHome home_{"hymnaro-reg"};
    std::string root_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
