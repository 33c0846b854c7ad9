// The two exports and the class factory, driven as Explorer drives them; DllCanUnloadNow is the
// only window onto the library-wide object count.
#include "common/ComPtr.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/ShellClassIds.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace pellicor::test
{
namespace
{

const CLSID* const kServedClasses[] = {&kClsidSynced,  &kClsidSyncing,  &kClsidSafe, &kClsidShare,
                                       &kClsidInvalid, &kClsidCopyHook, &kClsidSite};

// {00000000-1111-2222-3333-444444444444}: served by nobody.
constexpr CLSID kForeignClass = {
    0x00000000, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};

void* const kGarbage = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xBAADF00D));

class ClassObjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.IsLoaded()) << "cannot load the library from the bin folder";
        ASSERT_EQ(library.CanUnloadNow(), S_OK) << "a previous test leaked an object";
    }
    void TearDown() override
    {
        EXPECT_EQ(library.CanUnloadNow(), S_OK) << "objects still alive after the test";
    }

    LibraryUnderTest library;
};

TEST_F(ClassObjectTest, EveryServedClassGivesAFreshFactoryThatCreatesObjects)
{
    for (const CLSID* clsid : kServedClasses)
    {
        ComPtr<IClassFactory> first;
        ComPtr<IUnknown> second;
        ASSERT_EQ(library.GetClassObject(*clsid, IID_IClassFactory, first.put_void()), S_OK);
        ASSERT_EQ(library.GetClassObject(*clsid, IID_IUnknown, second.put_void()), S_OK);
        EXPECT_NE(static_cast<IUnknown*>(first.get()), second.get()) << "a fresh factory per call";
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "live factories keep the library";

        ComPtr<IUnknown> object;
        ASSERT_EQ(first->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        first.reset();
        second.reset();
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a live object keeps the library";
        object.reset();
        EXPECT_EQ(library.CanUnloadNow(), S_OK);
    }
}

TEST_F(ClassObjectTest, RefusalsLeaveNoFactoryAndTheCountUnchanged)
{
    void* out = kGarbage;
    EXPECT_EQ(library.GetClassObject(kForeignClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    // The factory is made and destroyed again when it does not have the interface.
    out = kGarbage;
    EXPECT_EQ(library.GetClassObject(kClsidSynced, IID_IShellExtInit, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    EXPECT_EQ(library.GetClassObject(kClsidSynced, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

TEST_F(ClassObjectTest, ServerLocksKeepTheLibraryWithoutAnyObject)
{
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(library.GetClassObject(kClsidCopyHook, IID_IClassFactory, factory.put_void()), S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(kClsidSite, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "one lock is still held";

    ASSERT_EQ(library.GetClassObject(kClsidSite, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

// Locks are counted apart from what is alive: an unlock nobody locked neither hides a live object
// nor cancels a later lock.
TEST_F(ClassObjectTest, AnUnmatchedUnlockChangesNothing)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(kClsidSite, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "the object is alive";
    object.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    ASSERT_EQ(library.GetClassObject(kClsidSite, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "one lock is held";
    ASSERT_EQ(library.GetClassObject(kClsidSite, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
}

TEST_F(ClassObjectTest, FactoryAnswersOnlyItsOwnInterfaces)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(kClsidSyncing, IID_IClassFactory, factory.put_void()), S_OK);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(factory.get()));

    void* out = kGarbage;
    EXPECT_EQ(factory->QueryInterface(IID_IShellIconOverlayIdentifier, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // AddRef and Release report the count: one held by `factory`, one by `unknown`.
    EXPECT_EQ(factory->AddRef(), 3u);
    EXPECT_EQ(factory->Release(), 2u);
}

TEST_F(ClassObjectTest, CreateInstanceRefusesAggregationAndUnknownInterfaces)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(kClsidSynced, IID_IClassFactory, factory.put_void()), S_OK);

    // Any object will do as a would-be outer object.
    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, outer.put_void()), S_OK);

    void* out = kGarbage;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);

    out = kGarbage;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    // The refused objects are gone: only `outer` and the factory remain, and then nothing.
    outer.reset();
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

} // namespace
} // namespace pellicor::test
