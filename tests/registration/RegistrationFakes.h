#pragma once
// Stand-ins for self-registration tests: a filter class that counts its objects, and filter
// mappers of both versions that log every call and refuse what a test tells them to.
#include "framework/TBCBaseFilter.h"
#include "framework/TBCClassFactory.h"
#include "runtime/Registry.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

inline constexpr CLSID kClassA{0xAAAAAAAA, 0x0001, 0x0002, {3, 4, 5, 6, 7, 8, 9, 10}};
inline constexpr CLSID kClassB{0xBBBBBBBB, 0x0001, 0x0002, {3, 4, 5, 6, 7, 8, 9, 10}};
// Classes for factories in the process's list, one per test, and a class that never has one.
inline constexpr CLSID kProcessClass{0xCCCCCCCC, 0x0001, 0x0002, {3, 4, 5, 6, 7, 8, 9, 10}};
inline constexpr CLSID kUnwritableClass{0xDDDDDDDD, 0x0001, 0x0002, {3, 4, 5, 6, 7, 8, 9, 10}};
inline constexpr CLSID kUnregisteredClass{0xEEEEEEEE, 0x0001, 0x0002, {3, 4, 5, 6, 7, 8, 9, 10}};

// A filter without pins that counts how many were made and destroyed.
class CountedFilter final : public TBCBaseFilter {
public:
    CountedFilter(std::string objectName, REFCLSID classId);
    ~CountedFilter() override;
    int PinCount() override { return 0; }
    TBCBasePin* PinAt(int) override { return nullptr; }

    // The class's creation operation for its factory.
    static TBCUnknown* CreateByFactory(TBCClassFactory* factory, IUnknown* controller);

    using TBCUnknown::ObjectName;
    static inline std::atomic<int> made{0}, destroyed{0};
};

// What the fake mappers log and answer; shared by every mapper a test's registration makes.
struct MapperScript {
    std::vector<std::string> calls;
    // The 0-based index of the call that fails with E_FAIL; -1 for none.
    int failingCall = -1;
    // Captured from IFilterMapper2::RegisterFilter.
    std::vector<REGFILTER2> registrations;
    std::vector<CLSID> categories;
    std::vector<WideString> names;

    HRESULT Answer(std::string call);
};

// "A" and "B" for the test classes, the registry form for any other.
std::string Label(REFCLSID clsid);

// Puts creators of fake mappers into the class table (version 2 and/or 1) for its lifetime.
class FakeMappers {
public:
    FakeMappers(MapperScript& script, bool version2, bool version1);
    ~FakeMappers();
    FakeMappers(const FakeMappers&) = delete;
    FakeMappers& operator=(const FakeMappers&) = delete;
    // How many mappers registration asked the class table for.
    int created = 0;
};

// Whether HKEY_CLASSES_ROOT\path exists, and its string value name (or "<none>").
bool KeyExists(const WideString& path);
WideString StringValue(const WideString& path, LPCWSTR name);
