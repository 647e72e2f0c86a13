// Every RAII wrapper of the platform layer lets go of its resource exactly once.
#include <gtest/gtest.h>

#include "platform/Bstr.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/SafeArray.h"
#include "platform/Variant.h"

using namespace gleaner;

namespace {

// IUnknown that counts its references and records the final release.
class CountingObject : public IUnknown {
public:
    ULONG refs = 1;
    ULONG releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++releases;
        return --refs;
    }
};

TEST(ComPtrTest, PutReleasesTheOldPointerOnce)
{
    CountingObject first, second;
    {
        auto ptr = ComPtr<IUnknown>::Attach(&first);
        IUnknown** slot = ptr.put();
        EXPECT_EQ(first.releases, 1u);
        EXPECT_EQ(first.refs, 0u);
        *slot = &second; // as an out-parameter would fill it, reference owned
    }
    EXPECT_EQ(second.releases, 1u);
    EXPECT_EQ(second.refs, 0u);
}

TEST(ComPtrTest, CopiesAndMovesBalanceTheCount)
{
    CountingObject object;
    {
        auto a = ComPtr<IUnknown>::Attach(&object);
        ComPtr<IUnknown> b = a;            // +1
        ComPtr<IUnknown> c = std::move(b); // no change
        EXPECT_FALSE(b);
        ComPtr<IUnknown> d;
        d = c;                             // +1
        d = d;                             // no change
        auto e = d.query<IUnknown>();      // +1
        EXPECT_EQ(object.refs, 4u);
    }
    EXPECT_EQ(object.refs, 0u);
}

TEST(ComPtrTest, QueryThrowsAndTryQueryReturnsEmpty)
{
    CountingObject object;
    auto ptr = ComPtr<IUnknown>::Attach(&object);
    EXPECT_THROW(ptr.query<IDispatch>(), ComError);
    EXPECT_FALSE(ptr.tryQuery<IDispatch>());
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantTest, HeldObjectReleasedOnceThroughCopiesAndMoves)
{
    CountingObject object;
    {
        Variant a(static_cast<IUnknown*>(&object)); // +1
        Variant b = a;                              // +1 (VariantCopy)
        Variant c = std::move(b);                   // no change
        EXPECT_TRUE(b.isEmpty());
        a = Variant(3);                             // -1
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(object.releases, 2u);
}

TEST(VariantTest, PutClearsTheOldValueFirst)
{
    CountingObject object;
    Variant v(static_cast<IUnknown*>(&object));
    VARIANT* slot = v.put();
    EXPECT_EQ(slot->vt, VT_EMPTY);
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantTest, ConversionsAndMissing)
{
    EXPECT_EQ(Variant(L"42").toInt(), 42);
    EXPECT_EQ(Variant(7).toText(), L"7");
    EXPECT_EQ(Variant(true).toText(), L"-1"); // flags read as automation writes them
    EXPECT_TRUE(Variant::Missing().isMissing());
    EXPECT_EQ(Variant::Missing().raw().scode, DISP_E_PARAMNOTFOUND);
    EXPECT_THROW(Variant(L"not a number").toInt(), ComError);
}

TEST(SafeArrayTest, DestroyReleasesHeldObjectsOnce)
{
    CountingObject object;
    {
        SafeArray array = SafeArray::OfVariants(2);
        {
            SafeArrayAccess lock(array.get());
            EXPECT_EQ(lock.count(), 2u);
            VARIANT* items = lock.as<VARIANT>();
            items[0].vt = VT_UNKNOWN;
            items[0].punkVal = &object;
            object.AddRef();
        }
        SafeArray moved = std::move(array);
        EXPECT_EQ(array.get(), nullptr);
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(BstrTest, OwnershipMovesAndPutFreesFirst)
{
    Bstr a(L"Hello");
    EXPECT_EQ(a.str(), L"Hello");
    EXPECT_EQ(::SysStringLen(a.get()), 5u);
    Bstr b = std::move(a);
    EXPECT_EQ(a.get(), nullptr);
    EXPECT_EQ(a.str(), L"");
    BSTR* slot = b.put();
    EXPECT_EQ(*slot, nullptr);
    *slot = ::SysAllocString(L"again");
    BSTR raw = b.release();
    EXPECT_EQ(b.get(), nullptr);
    ::SysFreeString(raw);
    // Embedded zeros survive.
    Bstr zeros(std::wstring_view(L"a\0b", 3));
    EXPECT_EQ(zeros.str().size(), 3u);
}

TEST(HandleTest, KernelAndRegistryHandlesAreClosed)
{
    HANDLE raw = nullptr;
    {
        UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        DWORD flags = 0;
        EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));

    HKEY rawKey = nullptr;
    {
        UniqueHkey key;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
        rawKey = key.get();
    }
    DWORD count = 0;
    EXPECT_NE(::RegQueryInfoKeyW(rawKey, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

} // namespace
