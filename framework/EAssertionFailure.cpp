#include "framework/EAssertionFailure.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
std::string Text(const char* message, const char* unit, int line) {
    return std::string(message) + " (" + unit + ", line " + std::to_string(line) + ")";
}
} // namespace

void RaiseAssertionFailure(const char* unit, int line) {
    throw EAssertionFailure(Text("Assertion failure", unit, line));
}

void RaiseAssertionFailure(const char* message, const char* unit, int line) {
    throw EAssertionFailure(Text(message, unit, line));
}

void AbortAssertionFailure(const char* unit, int line) {
    std::fprintf(stderr, "%s\n", Text("Assertion failure", unit, line).c_str());
    std::fflush(stderr);
    std::abort();
}
