// Self-registration: server keys in the registry and the filter mapper, for the whole factory
// list (the exported functions) and for one filter class (IAMovieSetup).
#include "RegistrationFakes.h"
#include "TempDataHome.h"

#include "framework/ERegistrationError.h"
#include "framework/TBCFilterTemplate.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/Apartment.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "support/Text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
using Calls = std::vector<std::string>;

const WideString kKeyA = u"CLSID\\" + GuidToWideString(kClassA);
const WideString kKeyB = u"CLSID\\" + GuidToWideString(kClassB);

std::string ProgramPath() {
    char path[PATH_MAX];
    return ::realpath("/proc/self/exe", path) ? path : "";
}

class SelfRegistration : public ::testing::Test {
protected:
    TempDataHome home;
    MapperScript script;
    TBCFilterTemplate list;
    int apartments = CoInitializeCount();

    void TearDown() override {
        // Registration initialises the object model for its own work only.
        EXPECT_EQ(apartments, CoInitializeCount());
    }

    TBCClassFactory* AddFactory(const char* name, REFCLSID classId, LONG pinCount = 0,
                                const REGFILTERPINS* pins = nullptr) {
        return TBCClassFactory::Create(&CountedFilter::CreateByFactory, name, classId,
                                       CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, pinCount,
                                       pins, &list);
    }
};

TEST_F(SelfRegistration, RegistersTheNewestFactoryFirstAndWritesItsServerKeys) {
    FakeMappers mappers(script, true, false);
    AddFactory("Filter A", kClassA);
    AddFactory("Filter B", kClassB);
    EXPECT_EQ(S_OK, list.RegisterServers(true));
    EXPECT_EQ((Calls{"Unregister B in legacy", "Register B in legacy", "Unregister A in legacy",
                     "Register A in legacy"}),
              script.calls);
    ASSERT_EQ(2u, script.registrations.size());
    EXPECT_EQ(1u, script.registrations[0].dwVersion);
    EXPECT_EQ(MERIT_DO_NOT_USE, script.registrations[0].dwMerit);
    EXPECT_EQ(0u, script.registrations[0].cPins);
    EXPECT_EQ(u"Filter B", script.names[0]);

    EXPECT_EQ(u"Filter A", StringValue(kKeyA, nullptr));
    EXPECT_EQ(u"Filter B", StringValue(kKeyB, nullptr));
    // The module that holds the filter class: here the test program itself, by its full path.
    EXPECT_EQ(U16(ProgramPath()), StringValue(kKeyA + u"\\InprocServer32", nullptr));
    EXPECT_EQ(u"Both", StringValue(kKeyA + u"\\InprocServer32", u"ThreadingModel"));
}

TEST_F(SelfRegistration, AnEmptyListRegistersNothingAndFails) {
    FakeMappers mappers(script, true, false);
    EXPECT_EQ(E_FAIL, list.RegisterServers(true));
    EXPECT_EQ(E_FAIL, list.RegisterServers(false));
    EXPECT_TRUE(script.calls.empty());
    EXPECT_FALSE(FileExists(home.RegistryFile()));
}

TEST_F(SelfRegistration, WithoutAnyFilterMapperNothingIsWritten) {
    FakeMappers mappers(script, false, false);
    AddFactory("Filter A", kClassA);
    EXPECT_FALSE(list.RegisterAll(true));
    EXPECT_EQ(1, mappers.created); // version 2 was asked for, the first version is not there
    EXPECT_FALSE(FileExists(home.RegistryFile()));
}

TEST_F(SelfRegistration, StopsAtTheFirstFactoryTheMapperRefuses) {
    FakeMappers mappers(script, true, false);
    AddFactory("Filter A", kClassA);
    AddFactory("Filter B", kClassB);
    script.failingCall = 1; // B's RegisterFilter
    EXPECT_EQ(E_FAIL, list.RegisterServers(true));
    EXPECT_EQ((Calls{"Unregister B in legacy", "Register B in legacy"}), script.calls);
    EXPECT_FALSE(KeyExists(kKeyB)); // old keys go first, new ones only after the mapper
    EXPECT_FALSE(KeyExists(kKeyA));
}

TEST_F(SelfRegistration, UnregisteringRemovesTheKeysEvenWhenTheMapperHadNoEntry) {
    FakeMappers mappers(script, true, false);
    AddFactory("Filter A", kClassA);
    ASSERT_EQ(S_OK, list.RegisterServers(true));
    ASSERT_TRUE(KeyExists(kKeyA + u"\\InprocServer32"));
    script.calls.clear();
    EXPECT_EQ(S_OK, list.RegisterServers(false));
    EXPECT_EQ((Calls{"Unregister A in legacy"}), script.calls);
    EXPECT_FALSE(KeyExists(kKeyA));

    ASSERT_EQ(S_OK, list.RegisterServers(true));
    script.failingCall = int(script.calls.size()); // "not registered"
    EXPECT_EQ(E_FAIL, list.RegisterServers(false));
    EXPECT_FALSE(KeyExists(kKeyA + u"\\InprocServer32"));
    EXPECT_FALSE(KeyExists(kKeyA));
}

TEST_F(SelfRegistration, AFailedUnregisterCountsAsDoneOnlyForANamelessFilter) {
    FakeMappers mappers(script, true, false);
    ComPtr<IFilterMapper2> mapper;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(mapper.put())));
    TBCClassFactory* named = AddFactory("Named", kClassA);
    TBCClassFactory* nameless = AddFactory("", kClassB);
    script.failingCall = 0;
    EXPECT_FALSE(named->RegisterWithMapper2(mapper.get(), false));
    script.failingCall = 1;
    EXPECT_TRUE(nameless->RegisterWithMapper2(mapper.get(), false));
    // Registering answers what RegisterFilter answers, whatever UnregisterFilter said.
    script.failingCall = 2;
    EXPECT_TRUE(named->RegisterWithMapper2(mapper.get(), true));
}

// Pin data as a filter declares it statically.
char16_t kInName[] = u"In";
char16_t kOutName[] = u"Out";
const REGPINTYPES kInTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM},
                                {&MEDIATYPE_Stream, nullptr}};
const REGPINTYPES kOutTypes[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_WAVE}};
const REGFILTERPINS kPins[] = {
    {kInName, FALSE, FALSE, FALSE, TRUE, nullptr, nullptr, 2, kInTypes},
    {kOutName, TRUE, TRUE, TRUE, FALSE, &kClassB, u"Input", 1, kOutTypes},
};

// Every call of the first filter-mapper version for registering the two pins, in order.
const Calls kMapper1Calls = {
    "UnregisterFilter A",
    "RegisterFilter A Filter A 2097152",
    "RegisterPin A In 0001 null -",
    "RegisterPinType A In audio pcm",
    "RegisterPinType A In stream null",
    "RegisterPin A Out 1110 B Input",
    "RegisterPinType A Out stream wave",
};

TEST_F(SelfRegistration, FallsBackToTheFirstMapperVersionWithPinsAndTypes) {
    FakeMappers mappers(script, false, true);
    AddFactory("Filter A", kClassA, 2, kPins);
    EXPECT_EQ(S_OK, list.RegisterServers(true));
    EXPECT_EQ(kMapper1Calls, script.calls);
    EXPECT_EQ(u"Filter A", StringValue(kKeyA, nullptr));

    script.calls.clear();
    EXPECT_EQ(S_OK, list.RegisterServers(false));
    EXPECT_EQ((Calls{"UnregisterFilter A"}), script.calls);
    EXPECT_FALSE(KeyExists(kKeyA));
}

TEST_F(SelfRegistration, TheFirstRefusedPinCallEndsTheFirstMapperVersion) {
    // A failed UnregisterFilter (nothing was registered) does not stop registering.
    for (int failing = 0; failing < int(kMapper1Calls.size()); ++failing) {
        MapperScript failingScript;
        failingScript.failingCall = failing;
        FakeMappers mappers(failingScript, false, true);
        TBCFilterTemplate pins;
        TBCClassFactory* factory = TBCClassFactory::Create(
            &CountedFilter::CreateByFactory, "Filter A", kClassA, CLSID_LegacyAmFilterCategory,
            MERIT_DO_NOT_USE, 2, kPins, &pins);
        ComPtr<IFilterMapper> mapper;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(mapper.put())));
        const bool ok = factory->RegisterWithMapper(mapper.get(), true);
        EXPECT_EQ(failing == 0, ok) << "failing call " << failing;
        const std::size_t made = failing == 0 ? kMapper1Calls.size() : std::size_t(failing) + 1;
        EXPECT_EQ(Calls(kMapper1Calls.begin(), kMapper1Calls.begin() + std::ptrdiff_t(made)),
                  failingScript.calls)
            << "failing call " << failing;
    }
}

TEST_F(SelfRegistration, AFilterRegistersItsOwnClassThroughTheProcessList) {
    FakeMappers mappers(script, true, false);
    static const TBCClassFactory* const registered =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "Process filter", kProcessClass,
                                CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr);
    ASSERT_EQ(registered, FactoryTemplates().FindFactory(kProcessClass));
    const WideString key = u"CLSID\\" + GuidToWideString(kProcessClass);
    ComPtr<CountedFilter> filter(new CountedFilter("f", kProcessClass));
    EXPECT_EQ(S_OK, filter->Register());
    EXPECT_EQ((Calls{"Unregister P in legacy", "Register P in legacy"}), script.calls);
    EXPECT_EQ(u"Process filter", StringValue(key, nullptr));
    EXPECT_EQ(S_OK, filter->Unregister());
    EXPECT_FALSE(KeyExists(key));
    script.failingCall = int(script.calls.size()) + 1;
    EXPECT_EQ(S_FALSE, filter->Register()); // the mapper refused: not a failure code
    EXPECT_FALSE(KeyExists(key));
}

TEST_F(SelfRegistration, AFilterWithoutAFactoryTouchesNothing) {
    FakeMappers mappers(script, true, true);
    ComPtr<CountedFilter> filter(new CountedFilter("f", kUnregisteredClass));
    EXPECT_EQ(S_FALSE, filter->Register());
    EXPECT_EQ(S_FALSE, filter->Unregister());
    EXPECT_EQ(0, mappers.created);
    EXPECT_FALSE(FileExists(home.RegistryFile()));
}

TEST_F(SelfRegistration, ARegistryErrorIsRaisedAndAnsweredAsSelfRegClass) {
    FakeMappers mappers(script, true, false);
    TBCClassFactory* factory = AddFactory("Filter A", kClassA);
    home.MakeUnwritable();
    try {
        factory->WriteServerKeys(true);
        ADD_FAILURE() << "no registry error";
    } catch (const ERegistrationError& e) {
        EXPECT_STREQ("Error creating system registry entry", e.what());
    }
    EXPECT_NO_THROW(factory->WriteServerKeys(false)); // failed deletions are ignored
    EXPECT_THROW((void)list.RegisterAll(true), ERegistrationError);
    EXPECT_EQ(SELFREG_E_CLASS, list.RegisterServers(true));

    static const TBCClassFactory* const registered =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "Unwritable", kUnwritableClass,
                                CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr);
    ASSERT_NE(nullptr, registered);
    ComPtr<CountedFilter> filter(new CountedFilter("f", kUnwritableClass));
    EXPECT_EQ(SELFREG_E_CLASS, filter->Register());
}
} // namespace
