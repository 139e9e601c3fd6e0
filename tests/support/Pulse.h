#pragma once
// The private PulseAudio daemon that scripts/with-pulse starts beside the tests (it names the
// daemon's runtime folder in HYMNARO_PULSE_RUNTIME_DIR).
#include <string>
#include <utility>
#include <vector>

// Makes the daemon this process's sound server and answers true; without a daemon the
// running test is skipped, or failed where HYMNARO_REQUIRE_PULSE=1 demands one (scripts/test
// and CI do), and the answer is false. Call it first in SetUp or in a test and return when it
// answers false.
bool RequirePulse();

// The variables that lead a client to the daemon (XDG_RUNTIME_DIR, PULSE_RUNTIME_PATH and,
// when the daemon made one, PULSE_COOKIE); none without a daemon.
std::vector<std::pair<std::string, std::string>> PulseClientEnvironment();
