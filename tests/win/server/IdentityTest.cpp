// One object behind six interfaces: which pointer each interface gets, and that all of them share
// one reference count and one identity.
#include "common/ComPtr.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/ShellClassIds.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <ocidl.h>

namespace pellicor::test
{
namespace
{

void* const kSentinel = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xDEADBEEF));

struct InterfaceCase
{
    const char* name;
    const IID* iid;
};

const InterfaceCase kInterfaces[] = {
    {"IShellIconOverlayIdentifier", &IID_IShellIconOverlayIdentifier},
    {"IUnknown", &IID_IUnknown},
    {"IShellExtInit", &IID_IShellExtInit},
    {"IContextMenu", &IID_IContextMenu},
    {"IContextMenu2", &IID_IContextMenu2},
    {"IContextMenu3", &IID_IContextMenu3},
    {"ICopyHookW", &IID_ICopyHookW},
    {"IObjectWithSite", &IID_IObjectWithSite},
    {"IDispatch", &IID_IDispatch},
};

class IdentityTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(library.IsLoaded()); }
    void TearDown() override { EXPECT_EQ(library.CanUnloadNow(), S_OK); }

    // Each interface's pointer from an object of the given class.
    std::vector<ComPtr<IUnknown>> QueryAll(const CLSID& clsid)
    {
        ComPtr<IUnknown> object;
        EXPECT_EQ(library.CreateObject(clsid, IID_IUnknown, object.put_void()), S_OK);
        std::vector<ComPtr<IUnknown>> pointers;
        for (const InterfaceCase& c : kInterfaces)
        {
            ComPtr<IUnknown> p;
            EXPECT_EQ(object->QueryInterface(*c.iid, p.put_void()), S_OK) << c.name;
            pointers.push_back(p);
        }
        return pointers;
    }

    LibraryUnderTest library;
};

TEST_F(IdentityTest, EveryClassAnswersEveryInterfaceWithTheTableIdentities)
{
    for (const CLSID* clsid : {&kClsidSynced, &kClsidCopyHook, &kClsidSite, &kClsidShare})
    {
        const auto p = QueryAll(*clsid);
        ASSERT_EQ(p.size(), 9u);
        EXPECT_EQ(p[0].get(), p[1].get()) << "IUnknown is the overlay identifier's identity";
        EXPECT_EQ(p[3].get(), p[4].get()) << "IContextMenu and IContextMenu2 share an identity";
        EXPECT_EQ(p[4].get(), p[5].get()) << "IContextMenu2 and IContextMenu3 share an identity";
        // The six bases are six distinct pointers.
        const std::size_t bases[] = {0, 2, 5, 6, 7, 8};
        for (std::size_t i = 0; i < std::size(bases); ++i)
            for (std::size_t j = i + 1; j < std::size(bases); ++j)
                EXPECT_NE(p[bases[i]].get(), p[bases[j]].get())
                    << kInterfaces[bases[i]].name << " and " << kInterfaces[bases[j]].name;
        // From every interface, IUnknown leads back to the one identity.
        for (std::size_t i = 0; i < p.size(); ++i)
        {
            ComPtr<IUnknown> unknown;
            ASSERT_EQ(p[i]->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
            EXPECT_EQ(unknown.get(), p[0].get()) << kInterfaces[i].name;
        }
    }
}

TEST_F(IdentityTest, RefusedQueriesClearTheOutPointer)
{
    ComPtr<IUnknown> object;
    ASSERT_EQ(library.CreateObject(kClsidSynced, IID_IUnknown, object.put_void()), S_OK);
    for (const IID* iid : {&IID_IClassFactory, &IID_IPersist, &IID_IShellFolder, &IID_ICopyHookA})
    {
        void* out = kSentinel;
        EXPECT_EQ(object->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
}

TEST_F(IdentityTest, AllIdentitiesShareOneReferenceCount)
{
    ComPtr<IContextMenu3> menu;
    ASSERT_EQ(library.CreateObject(kClsidSynced, IID_IContextMenu3, menu.put_void()), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(dispatch->AddRef(), 3u);
    EXPECT_EQ(menu->Release(), 2u);
    EXPECT_EQ(dispatch->Release(), 1u);
    // The last reference, through another identity, destroys the object.
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(dispatch->Release(), 0u);
    menu.detach();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

TEST_F(IdentityTest, SiteAndTypeInformationGiveNothingAway)
{
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(library.CreateObject(kClsidSite, IID_IObjectWithSite, site.put_void()), S_OK);
    void* out = kSentinel;
    EXPECT_EQ(site->GetSite(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, kSentinel) << "GetSite writes nothing";

    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(site.As(dispatch), S_OK);
    UINT count = 7;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);

    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(kSentinel);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, &typeInfo), E_NOTIMPL);
    EXPECT_EQ(typeInfo, nullptr);

    wchar_t name[] = L"Navigate";
    LPOLESTR names[] = {name};
    DISPID id = 42;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
    EXPECT_EQ(id, DISPID_UNKNOWN);
}

} // namespace
} // namespace pellicor::test
