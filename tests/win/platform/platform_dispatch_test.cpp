// Late-bound calls through Dispatch, against Wine's own automation objects and a small fake.
#include <gtest/gtest.h>

#include "platform/BusyRetry.h"
#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/SafeArray.h"

using namespace gleaner;

namespace {

class DispatchTest : public ::testing::Test {
protected:
    ComInit com;
};

// Forwards to a real object and counts how often names are looked up.
class CountingForwarder : public IDispatch {
public:
    explicit CountingForwarder(ComPtr<IDispatch> inner) : inner_(std::move(inner)) {}
    int lookups = 0;
    int typeQueries = 0;
    ULONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        ++typeQueries;
        return inner_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override
    {
        ++typeQueries;
        return inner_->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        ++lookups;
        return inner_->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override
    {
        return inner_->Invoke(id, iid, lcid, flags, params, result, info, argError);
    }

private:
    ComPtr<IDispatch> inner_;
};

HRESULT STDMETHODCALLTYPE FillInLater(EXCEPINFO* info)
{
    info->bstrDescription = ::SysAllocString(L"The item could not be found.\r\n");
    info->bstrSource = ::SysAllocString(L"Fake");
    info->scode = static_cast<SCODE>(0x8004010F);
    info->pfnDeferredFillIn = nullptr;
    return S_OK;
}

// A server whose one member fails with an exception described only by deferred fill-in.
class FailingObject : public IDispatch {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        if (_wcsicmp(names[0], L"Find") != 0) return DISP_E_UNKNOWNNAME;
        *ids = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* info,
                                     UINT*) override
    {
        *info = EXCEPINFO{};
        info->pfnDeferredFillIn = FillInLater;
        return DISP_E_EXCEPTION;
    }
};

TEST_F(DispatchTest, ReadsWritesAndCallsMembersWhateverTheirCase)
{
    Dispatch dictionary = Dispatch::Create(L"Scripting.Dictionary");
    dictionary.call(L"Add", L"one", 1);
    dictionary.call(L"ADD", L"two", L"zwei");
    EXPECT_EQ(dictionary.get(L"count").toInt(), 2);
    EXPECT_EQ(dictionary.get(L"Item", L"two").toText(), L"zwei");

    // Indexed write: Item("one") = "eins".
    dictionary.put(L"Item", L"one", L"eins");
    EXPECT_EQ(dictionary.get(L"item", L"one").toText(), L"eins");
    EXPECT_TRUE(dictionary.call(L"Exists", L"two").toBool());
    EXPECT_FALSE(dictionary.call(L"Exists", L"three").toBool());

    Variant keys = dictionary.call(L"Keys");
    ASSERT_EQ(keys.vt(), VT_ARRAY | VT_VARIANT);
    SafeArrayAccess lock(keys.raw().parray);
    ASSERT_EQ(lock.count(), 2u);
    EXPECT_EQ(Variant(lock.as<VARIANT>()[0].bstrVal).toText(), L"one");
}

TEST_F(DispatchTest, FailuresBecomeComErrorsWithText)
{
    Dispatch dictionary = Dispatch::Create(L"Scripting.Dictionary");
    dictionary.call(L"Add", L"key", 1);

    // The server's own failure (a duplicate key), with whatever text it gives.
    try {
        dictionary.call(L"Add", L"key", 2);
        FAIL() << "a duplicate key was accepted";
    } catch (const ComError& e) {
        EXPECT_TRUE(FAILED(e.code()));
        EXPECT_FALSE(e.message().empty());
    }

    // An unknown member: our text, since Wine has none for DISP_E_UNKNOWNNAME.
    try {
        dictionary.get(L"NoSuchMember");
        FAIL() << "an unknown member was reached";
    } catch (const ComError& e) {
        EXPECT_EQ(e.code(), DISP_E_UNKNOWNNAME);
        EXPECT_NE(e.message().find(L"Unknown name."), std::wstring::npos) << std::string(e.what());
        EXPECT_NE(e.message().find(L"0x80020006"), std::wstring::npos);
    }

    // A class that does not exist.
    EXPECT_THROW(Dispatch::Create(L"Gleaner.NoSuchClass"), ComError);
}

TEST_F(DispatchTest, ExceptionTextComesFromDeferredFillIn)
{
    FailingObject object;
    {
        Dispatch failing(ComPtr<IDispatch>(static_cast<IDispatch*>(&object)));
        try {
            failing.call(L"find", 1);
            FAIL() << "the failure was not reported";
        } catch (const ComError& e) {
            EXPECT_EQ(static_cast<unsigned>(e.code()), 0x8004010Fu);
            EXPECT_EQ(e.message(), L"The item could not be found.");
        }
    }
    EXPECT_EQ(object.refs, 1u);
}

// Each object is asked for a name once, whatever its spelling; a second object of the same
// class is asked again (its class may give the name another DISPID), and no object is asked for
// its type information.
TEST_F(DispatchTest, NamesAreLookedUpOncePerObjectAndName)
{
    auto first = Dispatch::Create(L"Scripting.Dictionary");
    auto second = Dispatch::Create(L"Scripting.Dictionary");
    CountingForwarder a(first.ptr()), b(second.ptr());
    {
        Dispatch viaA(ComPtr<IDispatch>(static_cast<IDispatch*>(&a)));
        Dispatch viaB(ComPtr<IDispatch>(static_cast<IDispatch*>(&b)));
        viaA.call(L"Add", L"x", 1);
        viaA.call(L"Add", L"y", 2);
        EXPECT_EQ(viaB.get(L"Count").toInt(), 0);
        EXPECT_EQ(viaA.get(L"COUNT").toInt(), 2);
    }
    // A: "Add" once, "COUNT" once; B: "Count" once.
    EXPECT_EQ(a.lookups, 2);
    EXPECT_EQ(b.lookups, 1);
    EXPECT_EQ(a.typeQueries + b.typeQueries, 0);
}

} // namespace

namespace {

// Answers "busy" to the first `rejections` name look-ups or calls, then serves one member.
class BusyObject : public IDispatch {
public:
    BusyObject(int rejections, HRESULT code, bool rejectLookups)
        : left_(rejections), code_(code), rejectLookups_(rejectLookups)
    {
    }
    int lookups = 0, invokes = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override
    {
        ++lookups;
        if (rejectLookups_ && reject()) return code_;
        *ids = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        ++invokes;
        if (!rejectLookups_ && reject()) return code_;
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    }

private:
    bool reject() { return left_-- > 0; }
    int left_;
    HRESULT code_;
    bool rejectLookups_;
};

unsigned g_pauses = 0;
void CountPause(unsigned) { ++g_pauses; }

TEST_F(DispatchTest, BusyRejectionsAreRetriedUpToTheBoundWithoutWaiting)
{
    struct Case {
        int rejections;
        HRESULT code;
        bool lookups;
        bool succeeds;
    };
    const Case cases[] = {
        {0, RPC_E_CALL_REJECTED, false, true},           {3, RPC_E_CALL_REJECTED, false, true},
        {8, RPC_E_SERVERCALL_RETRYLATER, false, true},   {9, RPC_E_CALL_REJECTED, false, false},
        {2, RPC_E_SERVERCALL_RETRYLATER, true, true},    {9, RPC_E_SERVERCALL_RETRYLATER, true, false},
        {1, RPC_E_DISCONNECTED, false, false},
    };
    BusyRetryPolicy previous = SetBusyRetry({8, CountPause});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rejections << " rejections, code " << std::hex << c.code
                                        << (c.lookups ? " on the look-up" : " on the call"));
        g_pauses = 0;
        BusyObject object(c.rejections, c.code, c.lookups);
        Dispatch busy(ComPtr<IDispatch>(static_cast<IDispatch*>(&object)));
        bool busyCode = IsBusyRejection(c.code);
        int attempts = busyCode ? std::min(c.rejections, 8) + 1 : 1;
        if (c.succeeds) {
            EXPECT_EQ(busy.get(L"Answer").toInt(), 42);
        } else {
            try {
                busy.get(L"Answer");
                ADD_FAILURE() << "a rejected call was reported as done";
            } catch (const ComError& e) {
                EXPECT_EQ(e.code(), c.code);
            }
        }
        EXPECT_EQ(c.lookups ? object.lookups : object.invokes, attempts);
        EXPECT_EQ(g_pauses, static_cast<unsigned>(attempts - 1));
    }
    SetBusyRetry(previous);
}

} // namespace
