// COM start-up per thread, CoCreateInstance through the class registry, and
// task memory.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "win32/com_registry.h"
#include "windows.h"

namespace {

DEFINE_GUID(CLSID_TestCounter, 0x5a1f0c11, 0x2b7e, 0x4d10, 0x9a, 0x31, 0x10, 0x22, 0x33, 0x44, 0x55,
            0x66);
DEFINE_GUID(CLSID_NeverRegistered, 0x5a1f0c12, 0x2b7e, 0x4d10, 0x9a, 0x31, 0x10, 0x22, 0x33, 0x44,
            0x55, 0x67);
DEFINE_GUID(IID_ITestCounter, 0x5a1f0c13, 0x2b7e, 0x4d10, 0x9a, 0x31, 0x10, 0x22, 0x33, 0x44, 0x55,
            0x68);
DEFINE_GUID(IID_INotImplemented, 0x5a1f0c14, 0x2b7e, 0x4d10, 0x9a, 0x31, 0x10, 0x22, 0x33, 0x44,
            0x55, 0x69);

struct ITestCounter : IUnknown {
    virtual int STDMETHODCALLTYPE Next() = 0;
};

std::atomic<int> liveObjects{0};

// A small class: counts up, frees itself on the last Release.
class TestCounter final : public ITestCounter {
  public:
    TestCounter() { ++liveObjects; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITestCounter)) {
            *out = static_cast<ITestCounter*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
    int STDMETHODCALLTYPE Next() override { return ++value; }

  private:
    ~TestCounter() { --liveObjects; }
    std::atomic<ULONG> refs{1};
    int value = 0;
};

HRESULT createTestCounter(IUnknown* outer, REFIID riid, void** out) {
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new TestCounter;
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

class ComTest : public testing::Test {
  protected:
    void SetUp() override { platform::RegisterComClass(CLSID_TestCounter, &createTestCounter); }
    void TearDown() override {
        platform::RegisterComClass(CLSID_TestCounter, nullptr);
        EXPECT_EQ(liveObjects.load(), 0);
    }
};

TEST_F(ComTest, InitialiseGivesOkThenFalseAndBalances) {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();
    // Fully uninitialised: the next call is a first call again.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
    CoUninitialize();  // one too many: ignored
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
}

TEST_F(ComTest, InitialiseRefusesBadArguments) {
    int reserved = 0;
    EXPECT_EQ(CoInitializeEx(&reserved, COINIT_APARTMENTTHREADED), E_INVALIDARG);
    EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
    // Neither counted as an initialisation.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
}

using ComThreads = ComTest;

TEST_F(ComThreads, EachThreadInitialisesItsOwnApartment) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    HRESULT onWorker = E_FAIL;
    std::thread worker([&] {
        onWorker = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(onWorker)) CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(onWorker, S_OK);
    CoUninitialize();
}

TEST_F(ComTest, CreatesRegisteredClassWithTheAskedInterface) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ITestCounter* counter = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_ITestCounter,
                               reinterpret_cast<void**>(&counter)),
              S_OK);
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->Next(), 1);
    EXPECT_EQ(counter->Next(), 2);
    EXPECT_EQ(liveObjects.load(), 1);
    EXPECT_EQ(counter->Release(), 0u);
    EXPECT_EQ(liveObjects.load(), 0);
    CoUninitialize();
}

TEST_F(ComTest, UnknownClassAndInterfaceAreRefused) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    void* out = reinterpret_cast<void*>(uintptr_t{1});
    EXPECT_EQ(CoCreateInstance(CLSID_NeverRegistered, nullptr, CLSCTX_ALL, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(uintptr_t{1});
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_INotImplemented, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjects.load(), 0);  // the half-made object was released
    // An out-of-process context never finds the in-process stand-ins.
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr),
              E_POINTER);
    // Aggregation asks for IUnknown only.
    TestCounter* dummyOuter = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown,
                               reinterpret_cast<void**>(&dummyOuter)),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, dummyOuter, CLSCTX_ALL, IID_ITestCounter, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, dummyOuter, CLSCTX_ALL, IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    dummyOuter->Release();
    CoUninitialize();
}

TEST_F(ComThreads, CreationNeedsAnInitialisedThread) {
    void* out = reinterpret_cast<void*>(uintptr_t{1});
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, &out),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(out, nullptr);

    // Once any thread is in the multithreaded apartment, an uninitialised
    // thread joins it implicitly; a single-threaded apartment elsewhere does not.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    HRESULT fromWorker = S_OK;
    std::thread([&] {
        fromWorker = CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, &out);
    }).join();
    EXPECT_EQ(fromWorker, CO_E_NOTINITIALIZED);
    CoUninitialize();

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    IUnknown* made = nullptr;
    std::thread([&] {
        fromWorker = CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown,
                                      reinterpret_cast<void**>(&made));
    }).join();
    EXPECT_EQ(fromWorker, S_OK);
    ASSERT_NE(made, nullptr);
    made->Release();
    CoUninitialize();
}

TEST_F(ComThreads, ThreadEndingInsideTheMultithreadedApartmentLeavesIt) {
    std::thread([] { EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }).join();
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, &out),
              CO_E_NOTINITIALIZED);
}

TEST_F(ComTest, UnregisteredClassIsGoneAgain) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    platform::RegisterComClass(CLSID_TestCounter, nullptr);
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(platform::FindComClass(CLSID_TestCounter), nullptr);
    CoUninitialize();
}

TEST(ComTaskMemory, AllocReallocFree) {
    auto* p = static_cast<char*>(CoTaskMemAlloc(16));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789abcdef", 16);
    p = static_cast<char*>(CoTaskMemRealloc(p, 4096));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "0123456789abcdef", 16), 0);
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
    void* zero = CoTaskMemAlloc(0);
    EXPECT_NE(zero, nullptr);
    CoTaskMemFree(zero);
    void* fresh = CoTaskMemRealloc(nullptr, 8);
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(CoTaskMemRealloc(fresh, 0), nullptr);  // frees the block
    CoFreeUnusedLibraries();
}

}  // namespace
