#pragma once
// A fixture that gives each test its own HOME and XDG_CONFIG_HOME under a fresh temporary
// folder, removed afterwards, and restores the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class TempHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "hymnaro-XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        root_ = pattern;
        home_ = root_ / "home";
        std::filesystem::create_directories(home_);
        Remember("HOME");
        Remember("XDG_CONFIG_HOME");
        ::setenv("HOME", home_.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& Home() const { return home_; }

private:
    void Remember(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::filesystem::path root_;
    std::filesystem::path home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// UTF-16 of a UTF-8 literal or path, for comparisons.
inline std::u16string U16(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        char32_t code;
        int n;
        if (c < 0x80)
            code = c, n = 1;
        else if (c < 0xE0)
            code = c & 0x1F, n = 2;
        else if (c < 0xF0)
            code = c & 0x0F, n = 3;
        else
            code = c & 0x07, n = 4;
        for (int k = 1; k < n; ++k)
            code = (code << 6) | (utf8[i + k] & 0x3F);
        i += n;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += char16_t(0xD800 + (code >> 10));
            out += char16_t(0xDC00 + (code & 0x3FF));
        } else {
            out += char16_t(code);
        }
    }
    return out;
}
