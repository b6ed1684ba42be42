// The memory stream, the asynchronous reader filter over a test stream of
// alignment 1 and 4, and the sample grabber driven by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sound/movie/memory_stream.h"
#include "sound/movie/sample_grabber.h"
#include "media_fixtures.h"
#include "support/test_support.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

// "ABCDEFGHIJ" with a chosen alignment; a read at `firstAt` answers
// OLE_S_FIRST; a read at `slowAt` takes 50 ms. Reads come one at a time.
struct TestStream : D_CAsyncStream {
    std::string bytes = "ABCDEFGHIJ";
    DWORD alignment = 1;
    LONGLONG at = 0, firstAt = -1, slowAt = -1;
    HANDLE slowEntered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~TestStream() override { CloseHandle(slowEntered); }
    HRESULT SetPointer(LONGLONG p) override { return at = p, S_OK; }
    HRESULT Read(BYTE* buffer, DWORD count, BOOL, DWORD* read) override {
        if (at == slowAt) SetEvent(slowEntered), Sleep(50);
        *read = DWORD(std::min<LONGLONG>(count, LONGLONG(bytes.size()) - at));
        std::memcpy(buffer, bytes.data() + at, *read);
        return at == firstAt ? OLE_S_FIRST : S_OK;
    }
    HRESULT Size(LONGLONG* total, LONGLONG* available) override {
        return *total = *available = LONGLONG(bytes.size()), S_OK;
    }
    DWORD Alignment() override { return alignment; }
    void Lock() override {}
    void Unlock() override {}
};

AM_MEDIA_TYPE StreamType(const GUID& sub) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Stream;
    mt.subtype = sub;
    return mt;
}

// A reader over a test stream with an allocator of three 8-byte samples.
struct ReaderFixture {
    TestStream stream;
    AsyncReaderFilter* filter = nullptr;
    IAsyncReader* reader = nullptr;
    IMemAllocator* allocator = nullptr;
    explicit ReaderFixture(DWORD alignment, const GUID& sub = MEDIASUBTYPE_MPEG1Audio) {
        stream.alignment = alignment;
        HRESULT hr = S_OK;
        filter = new AsyncReaderFilter("Test reader", nullptr, &stream, StreamType(sub), &hr);
        filter->NonDelegatingAddRef();
        filter->GetPin(0)->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&reader));
        ALLOCATOR_PROPERTIES want{3, 8, LONG(alignment), 0};
        EXPECT_EQ(S_OK, reader->RequestAllocator(nullptr, &want, &allocator));
        allocator->Commit();
    }
    ~ReaderFixture() {
        reader->Release();
        filter->Release();
        allocator->Decommit();
        allocator->Release();
    }
    IMediaSample* Sample(LONGLONG from, LONGLONG to) {
        IMediaSample* s = nullptr;
        allocator->GetBuffer(&s, nullptr, nullptr, 0);
        REFERENCE_TIME a = from * 10000000, b = to * 10000000;
        s->SetTime(&a, &b);
        return s;
    }
};

std::string BytesOf(IMediaSample* s) {
    BYTE* p = nullptr;
    s->GetPointer(&p);
    return std::string(reinterpret_cast<char*>(p), size_t(s->GetActualDataLength()));
}

TEST(MemStream, ReadsSeeksAndThrottles) {
    KnobSetVirtualClock(true);
    std::string data(1000, 'x');
    data.replace(7, 3, "789");
    D_CMemStream open(reinterpret_cast<const BYTE*>(data.data()), 10, kMemStreamUnthrottled);
    BYTE out[500] = {};
    DWORD got = 0;
    LONGLONG total = 0, available = 0;
    EXPECT_EQ(S_OK, open.SetPointer(7));
    EXPECT_EQ(S_FALSE, open.SetPointer(11));  // moves nothing
    EXPECT_EQ(S_FALSE, open.SetPointer(-1));
    ASSERT_EQ(S_OK, open.Read(out, 5, FALSE, &got));
    EXPECT_EQ("789", std::string(reinterpret_cast<char*>(out), got));
    open.Size(&total, &available);
    EXPECT_EQ(10, available);
    // 10 bytes a millisecond: a read up to byte 500 returns at 50 ms, not before.
    D_CMemStream* slow = CreateMemStream(reinterpret_cast<const BYTE*>(data.data()), 1000, 0, 10);
    const DWORD created = timeGetTime();
    ASSERT_EQ(S_OK, slow->Read(out, 500, FALSE, &got));
    EXPECT_EQ(50u, timeGetTime() - created);
    slow->Size(&total, &available);
    EXPECT_EQ(500, available);
    delete slow;
}

TEST(AsyncReaderThreads, RequestAllocatorAlignments) {
    ReaderFixture f(4);
    ALLOCATOR_PROPERTIES props{1, 16, 0, 0}, got{};
    IMemAllocator *actual = nullptr, *preferred = nullptr;
    EXPECT_EQ(E_POINTER, f.reader->RequestAllocator(nullptr, nullptr, &actual));
    EXPECT_EQ(E_POINTER, f.reader->RequestAllocator(nullptr, &props, nullptr));
    D_CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator,
                                    reinterpret_cast<void**>(&preferred));
    for (LONG align : {0, 2, 8}) {  // 0 and 2 become the stream's 4
        props.cbAlign = align;
        ASSERT_EQ(S_OK, f.reader->RequestAllocator(preferred, &props, &actual));
        EXPECT_EQ(preferred, actual);
        actual->GetProperties(&got);
        EXPECT_EQ(std::max<LONG>(align, 4), got.cbAlign);
        actual->Release();
    }
    f.stream.alignment = 8192;  // beyond what any memory allocator grants
    EXPECT_EQ(VFW_E_BADALIGN, f.reader->RequestAllocator(preferred, &props, &actual));
    preferred->Release();
}

TEST(AsyncReaderThreads, RequestsCompleteShortenAndFlush) {
    for (DWORD alignment : {1u, 4u}) {
        ReaderFixture f(alignment);
        f.stream.firstAt = 0;
        IMediaSample* s = nullptr;
        DWORD_PTR user = 0;
        EXPECT_EQ(VFW_E_TIMEOUT, f.reader->WaitForNext(0, &s, &user));
        ASSERT_EQ(S_OK, f.reader->Request(f.Sample(0, 8), 1));
        ASSERT_EQ(S_OK, f.reader->Request(f.Sample(8, 16), 2));  // 2 bytes left
        EXPECT_EQ(S_OK, f.reader->WaitForNext(INFINITE, &s, &user));
        EXPECT_EQ("ABCDEFGH", BytesOf(s));
        EXPECT_EQ(S_OK, s->IsDiscontinuity());
        s->Release();
        EXPECT_EQ(S_FALSE, f.reader->WaitForNext(INFINITE, &s, &user));
        EXPECT_EQ(2u, user);
        EXPECT_EQ("IJ", BytesOf(s));
        s->Release();
        IMediaSample* bad = f.Sample(4, 2);
        EXPECT_EQ(E_INVALIDARG, f.reader->Request(bad, 0));  // stop before start
        bad->Release();
        bad = f.Sample(0, 9);
        EXPECT_EQ(E_INVALIDARG, f.reader->Request(bad, 0));  // longer than the buffer
        bad->Release();
        ASSERT_EQ(S_OK, f.reader->Request(f.Sample(12, 16), 3));  // past the end
        EXPECT_EQ(S_FALSE, f.reader->WaitForNext(INFINITE, &s, &user));
        EXPECT_EQ(0, s->GetActualDataLength());
        s->Release();

        // One read in progress (50 ms), one queued: the flush cancels the queued one.
        f.stream.slowAt = 0;
        ASSERT_EQ(S_OK, f.reader->Request(f.Sample(0, 4), 4));
        ASSERT_EQ(S_OK, f.reader->Request(f.Sample(4, 8), 5));
        WaitForSingleObject(f.stream.slowEntered, INFINITE);
        EXPECT_EQ(S_OK, f.reader->BeginFlush());
        EXPECT_EQ(VFW_E_WRONG_STATE, f.reader->WaitForNext(0, &s, &user));
        EXPECT_EQ(5u, user);
        s->Release();
        EXPECT_EQ(S_OK, f.reader->WaitForNext(0, &s, &user));
        EXPECT_EQ(4u, user);
        s->Release();
        EXPECT_EQ(VFW_E_WRONG_STATE, f.reader->WaitForNext(0, &s, &user));
        EXPECT_EQ(nullptr, s);
        EXPECT_EQ(S_OK, f.reader->EndFlush());
        EXPECT_EQ(VFW_E_TIMEOUT, f.reader->WaitForNext(0, &s, &user));

        BYTE buffer[8];
        EXPECT_EQ(S_OK, f.reader->SyncRead(2, 3, buffer));
        EXPECT_EQ("CDE", std::string(reinterpret_cast<char*>(buffer), 3));
        EXPECT_EQ(S_FALSE, f.reader->SyncRead(8, 4, buffer));
        IMediaSample* odd = f.Sample(2, 6);
        EXPECT_EQ(alignment == 1 ? S_OK : VFW_E_BADALIGN, f.reader->SyncReadAligned(odd));
        odd->Release();
        LONGLONG total = 0, available = 0;
        EXPECT_EQ(S_OK, f.reader->Length(&total, &available));
        EXPECT_EQ(10, total);
    }
}

TEST(AsyncReaderThreads, PinTypesAndReleaseWithRequestsQueued) {
    const int threads = testsupport::QuietThreadCount();
    AM_MEDIA_TYPE audio = StreamType(GUID_NULL);
    audio.majortype = MEDIATYPE_Audio;
    struct Row {
        const char* name;
        GUID filterSub;
        AM_MEDIA_TYPE offered;
        HRESULT result;
    } rows[] = {{"same", MEDIASUBTYPE_MPEG1Audio, StreamType(MEDIASUBTYPE_MPEG1Audio), S_OK},
                {"other subtype", MEDIASUBTYPE_MPEG1Audio, StreamType(MEDIASUBTYPE_PCM), S_FALSE},
                {"null takes any subtype", GUID_NULL, StreamType(MEDIASUBTYPE_PCM), S_OK},
                {"other major type", GUID_NULL, audio, S_FALSE}};
    for (const Row& r : rows) {
        ReaderFixture f(1, r.filterSub);
        EXPECT_EQ(r.result, f.filter->GetPin(0)->QueryAccept(&r.offered)) << r.name;
    }
    ReaderFixture* f = new ReaderFixture(1);
    f->stream.slowAt = 0;
    IMediaSample* samples[3];
    for (IMediaSample*& s : samples) f->reader->Request(s = f->Sample(0, 8), 0);
    delete f;  // the worker ends with the filter; the samples stay the caller's
    for (IMediaSample* s : samples) s->Release();
    EXPECT_EQ(threads, testsupport::SettledThreadCount(threads));
}

struct Seen {
    REFERENCE_TIME start, stop;
    BOOL changed;
    int calls;
};

HRESULT Record(IMediaSample*, REFERENCE_TIME* start, REFERENCE_TIME* stop, BOOL changed,
               void* user) {
    auto* seen = static_cast<Seen*>(user);
    *seen = {*start, *stop, changed, seen->calls + 1};
    return seen->calls == 2 ? S_FALSE : S_OK;
}

TEST(SampleGrabber, TypesCallbackAndDeliveryBuffer) {
    D_CSampleGrabber* grabber = CreateSampleGrabber(nullptr, nullptr, true);
    D_CMediaType pcm;
    pcm.majortype = MEDIATYPE_Audio, pcm.subtype = MEDIASUBTYPE_PCM;
    pcm.formattype = FORMAT_WaveFormatEx;
    const HRESULT refused = 0x80040248;
    struct Row {
        const char* name;
        GUID major, sub, format;
        HRESULT result;
    } rows[] = {{"null takes anything", GUID_NULL, GUID_NULL, GUID_NULL, S_OK},
                {"same major, any rest", MEDIATYPE_Audio, GUID_NULL, GUID_NULL, S_OK},
                {"other major", MEDIATYPE_Video, GUID_NULL, GUID_NULL, refused},
                {"other subtype", MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio, GUID_NULL, refused},
                {"other format", GUID_NULL, GUID_NULL, FORMAT_VideoInfo, refused}};
    for (const Row& r : rows) {
        AM_MEDIA_TYPE want{};
        want.majortype = r.major, want.subtype = r.sub, want.formattype = r.format;
        grabber->SetAcceptedMediaType(&want);
        EXPECT_EQ(r.result, grabber->CheckInputType(&pcm)) << r.name;
    }
    AM_MEDIA_TYPE connected{};
    EXPECT_EQ(VFW_E_NOT_CONNECTED, grabber->GetConnectedMediaType(&connected));

    // Delivery buffer: one buffer, not null; the pin insists on its allocator.
    alignas(16) static BYTE block[64];
    EXPECT_EQ(E_INVALIDARG, grabber->SetDeliveryBuffer({2, 32, 16, 0}, block));
    EXPECT_EQ(E_POINTER, grabber->SetDeliveryBuffer({1, 32, 16, 0}, nullptr));
    ASSERT_EQ(S_OK, grabber->SetDeliveryBuffer({1, 32, 16, 16}, block));
    auto* pin = static_cast<SampleGrabberInputPin*>(grabber->GetPin(0));
    IMemAllocator *own = nullptr, *other = nullptr;
    ASSERT_EQ(S_OK, pin->GetAllocator(&own));
    D_CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(&other));
    EXPECT_EQ(E_FAIL, pin->NotifyAllocator(other, FALSE));
    struct Props {
        const char* name;
        ALLOCATOR_PROPERTIES ask;
        HRESULT result;
    } props[] = {{"other alignment", {1, 32, 8, 16}, VFW_E_BADALIGN},
                 {"two buffers", {2, 32, 16, 16}, E_FAIL},
                 {"larger", {1, 48, 16, 16}, E_FAIL},
                 {"other prefix", {1, 32, 16, 0}, E_FAIL},
                 {"within the buffer", {1, 16, 16, 16}, S_OK}};
    ALLOCATOR_PROPERTIES got{};
    for (Props& p : props) EXPECT_EQ(p.result, own->SetProperties(&p.ask, &got)) << p.name;
    EXPECT_EQ(32, got.cbBuffer);  // the buffer's own
    ASSERT_EQ(S_OK, own->Commit());
    IMediaSample* sample = nullptr;
    ASSERT_EQ(S_OK, own->GetBuffer(&sample, nullptr, nullptr, 0));
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    EXPECT_EQ(block + 16, data);  // after the prefix

    // Without a callback the sample passes; with one it sees the stream start added.
    EXPECT_EQ(S_OK, grabber->Transform(sample));
    Seen seen{};
    grabber->SetCallback(&Record, &seen);
    grabber->Run(1000);
    pin->NewSegment(0, 50000, 1.0);
    REFERENCE_TIME a = 10, b = 20;
    sample->SetTime(&a, &b);
    EXPECT_EQ(S_OK, grabber->Transform(sample));
    EXPECT_EQ(1010, seen.start);
    EXPECT_EQ(1020, seen.stop);
    EXPECT_TRUE(seen.changed);
    EXPECT_EQ(S_FALSE, grabber->Transform(sample));  // the callback's answer
    EXPECT_FALSE(seen.changed);
    grabber->Stop();
    sample->Release();
    own->Decommit();
    own->Release();
    other->Release();
    grabber->Release();
}

TEST(SampleGrabberThreads, DeliveryBufferRefusedWhileConnected) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string mp3 = mediafixtures::EncodeMp3(mediafixtures::Tone(4410, 1, 44100, 440, 9000),
                                                     1, 44100, 64, false)
                                .bytes;
    D_CMemStream stream(reinterpret_cast<const BYTE*>(mp3.data()), LONGLONG(mp3.size()),
                        kMemStreamUnthrottled);
    AM_MEDIA_TYPE type = StreamType(MEDIASUBTYPE_MPEG1Audio);
    D_CMemReader* reader = CreateMemReader(&stream, &type, nullptr);
    D_CSampleGrabber* grabber = CreateSampleGrabber(nullptr, nullptr, true);
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    graph->AddFilter(grabber, u"SampleGrabber");
    graph->AddFilter(reader, u"MemFile");
    ASSERT_EQ(S_OK, graph->Render(reader->GetPin(0)));  // reader, decoder, grabber, renderer
    EXPECT_TRUE(static_cast<AsyncOutputPin*>(reader->GetPin(0))->AskedForAsyncReader());
    static BYTE block[64];
    EXPECT_EQ(E_INVALIDARG, grabber->SetDeliveryBuffer({1, 64, 1, 0}, block));
    graph->Release();
    grabber->Release();
    reader->Release();
    CoUninitialize();
}

}  // namespace
