// The class factory as IClassFactory, and the factory list.
#include "RegistrationFakes.h"

#include "framework/TBCFilterTemplate.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

namespace {
class ClassFactory : public ::testing::Test {
protected:
    TBCFilterTemplate list;
    TBCClassFactory* factory =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "Counted", kClassA,
                                CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr, &list);
};

TEST_F(ClassFactory, AnswersUnknownAndClassFactoryAsOneInterface) {
    ComPtr<IUnknown> unknown;
    ComPtr<IClassFactory> classFactory;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_PPV_ARGS(unknown.put())));
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_PPV_ARGS(classFactory.put())));
    EXPECT_EQ(static_cast<IUnknown*>(classFactory.get()), unknown.get());
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IBaseFilter, &other));
    EXPECT_EQ(nullptr, other);
}

TEST_F(ClassFactory, CountingNeverDestroysTheFactory) {
    const LONG before = FactoryRefCount;
    EXPECT_EQ(ULONG(before + 1), factory->AddRef());
    EXPECT_EQ(ULONG(before), factory->Release());
    // Releasing past zero frees nothing: the list owns the factory.
    for (int i = 0; i < 3; ++i)
        (void)factory->Release();
    EXPECT_EQ(before - 3, FactoryRefCount);
    for (int i = 0; i < 3; ++i)
        (void)factory->AddRef();
    EXPECT_EQ(factory, list.FindFactory(kClassA));
    EXPECT_EQ("Counted", factory->DisplayName);
}

TEST_F(ClassFactory, LockServerCountsAnActiveObjectAndALock) {
    const LONG objects = ActiveObjectCount, refs = FactoryRefCount;
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(objects + 1, ActiveObjectCount);
    EXPECT_EQ(refs + 1, FactoryRefCount);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(objects, ActiveObjectCount);
    EXPECT_EQ(refs, FactoryRefCount);
}

TEST_F(ClassFactory, CreatesAFilterHeldOnlyByTheCaller) {
    const int made = CountedFilter::made, destroyed = CountedFilter::destroyed;
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(filter.put())));
    EXPECT_EQ(made + 1, CountedFilter::made);
    CLSID classId{};
    EXPECT_EQ(S_OK, filter->GetClassID(&classId));
    EXPECT_EQ(kClassA, classId);
    EXPECT_EQ("Counted", static_cast<CountedFilter*>(filter.get())->ObjectName());
    // Count 1: the one reference handed out.
    EXPECT_EQ(2u, filter->AddRef());
    EXPECT_EQ(1u, filter->Release());
    EXPECT_EQ(destroyed, CountedFilter::destroyed);
    filter.reset();
    EXPECT_EQ(destroyed + 1, CountedFilter::destroyed);
}

struct CreateCase {
    const char* what;
    bool withOuter;
    bool withPlace;
    const IID* iid;
    HRESULT answer;
    int made; // filters made (and destroyed again unless the answer is S_OK)
};

const CreateCase kCreateCases[] = {
    {"a filter interface", false, true, &IID_IBaseFilter, S_OK, 1},
    {"the set-up interface", false, true, &IID_IAMovieSetup, S_OK, 1},
    {"an interface the filter lacks", false, true, &IID_IPin, E_NOINTERFACE, 1},
    {"no place for the object", false, false, &IID_IBaseFilter, E_POINTER, 0},
    {"a controlling object", true, true, &IID_IUnknown, CLASS_E_NOAGGREGATION, 0},
};

TEST_F(ClassFactory, CreateInstanceAnswersAndFreesWhatNobodyHolds) {
    struct Outer final : IUnknown {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
    } outer;
    for (const CreateCase& c : kCreateCases) {
        const int made = CountedFilter::made, destroyed = CountedFilter::destroyed;
        void* object = reinterpret_cast<void*>(1);
        const HRESULT hr = factory->CreateInstance(c.withOuter ? &outer : nullptr, *c.iid,
                                                   c.withPlace ? &object : nullptr);
        EXPECT_EQ(c.answer, hr) << c.what;
        EXPECT_EQ(made + c.made, CountedFilter::made) << c.what;
        if (SUCCEEDED(hr)) {
            ASSERT_NE(nullptr, object) << c.what;
            EXPECT_EQ(destroyed, CountedFilter::destroyed) << c.what;
            // The caller's reference is the only one: releasing it frees the filter.
            EXPECT_EQ(0u, static_cast<IUnknown*>(object)->Release()) << c.what;
        } else if (c.withPlace) {
            EXPECT_EQ(nullptr, object) << c.what;
        }
        EXPECT_EQ(destroyed + c.made, CountedFilter::destroyed) << c.what;
    }
}

TEST(FactoryList, NewestFactoryComesFirst) {
    TBCFilterTemplate list;
    EXPECT_EQ(nullptr, list.Head());
    EXPECT_EQ(nullptr, list.FindFactory(kClassA));
    TBCClassFactory* a =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "A", kClassA,
                                CLSID_LegacyAmFilterCategory, 1, 0, nullptr, &list);
    TBCClassFactory* b =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "B", kClassB,
                                CLSID_LegacyAmFilterCategory, 2, 0, nullptr, &list);
    TBCClassFactory* a2 =
        TBCClassFactory::Create(&CountedFilter::CreateByFactory, "A2", kClassA,
                                CLSID_LegacyAmFilterCategory, 3, 0, nullptr, &list);
    EXPECT_EQ(a2, list.Head());
    EXPECT_EQ(b, a2->Next());
    EXPECT_EQ(a, b->Next());
    EXPECT_EQ(nullptr, a->Next());
    EXPECT_EQ(a2, list.FindFactory(kClassA));
    EXPECT_EQ(b, list.FindFactory(kClassB));
}
} // namespace
