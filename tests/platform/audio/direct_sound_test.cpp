// DirectSound: locking, the write cursor, capabilities, the device list, and
// hostile arguments and refused steps with their documented results.
#include <string>

#include "audio_fixture.h"
#include "win32/code_pages.h"

namespace audiotest {
namespace {

using DirectSoundThreads = AudioTest;

TEST_F(DirectSoundThreads, LockSplitsAcrossTheEndAndUnlockWantsTheSamePointers) {
    OpenSound();
    IDirectSoundBuffer* buffer = Buffer(Constant(250, 0, 0));  // 1000 bytes
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(buffer->Lock(900, 300, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 200u);
    EXPECT_EQ(static_cast<BYTE*>(p1) - 900, p2);
    struct {
        DWORD offset, bytes, flags;
    } const bad[] = {{1000, 4, 0}, {1200, 4, 0}, {0, 1004, 0}, {0, 0, 0}, {0, 4, 8}};
    for (const auto& b : bad) {
        void *q1 = nullptr, *q2 = nullptr;
        DWORD m1 = 0, m2 = 0;
        EXPECT_EQ(buffer->Lock(b.offset, b.bytes, &q1, &m1, &q2, &m2, b.flags), DSERR_INVALIDPARAM)
            << b.offset << " + " << b.bytes;
    }
    EXPECT_EQ(buffer->Unlock(static_cast<BYTE*>(p1) + 4, n1, p2, n2), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(p1, n1 + 4, p2, n2), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DSERR_INVALIDPARAM);  // already unlocked
}

TEST_F(DirectSoundThreads, BytesWrittenAtTheWriteCursorAreHeardOnePassLater) {
    OpenSound();
    IDirectSoundBuffer* buffer = Buffer(Constant(4410, 0, 0));
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(1));
    DWORD play = 0, write = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    KnobAudioCaptureStart();
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(buffer->Lock(0, kPass * 4, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(write, play + kPass * 4);
    const auto tone = Constant(kPass, 1234, -1234);
    std::memcpy(p1, tone.data(), n1);
    ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(2));
    const auto got = KnobAudioCaptured();
    EXPECT_EQ(Frames(got, 0, kPass), Constant(kPass, 0, 0));
    EXPECT_EQ(Frames(got, kPass, kPass), tone);
}

TEST_F(DirectSoundThreads, CapabilitiesAndTheDeviceList) {
    OpenSound();
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(sound->GetCaps(&caps), DS_OK);
    const DWORD wanted = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                         DSCAPS_PRIMARY16BIT | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                         DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
    EXPECT_EQ(caps.dwFlags & wanted, wanted);
    EXPECT_EQ(caps.dwMinSecondarySampleRate, 100u);
    EXPECT_EQ(caps.dwMaxSecondarySampleRate, 200000u);
    std::vector<std::string> names;
    std::vector<bool> nullGuid;
    auto record = [](LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) -> BOOL {
        auto* lists =
            static_cast<std::pair<std::vector<std::string>*, std::vector<bool>*>*>(context);
        lists->first->push_back(description);
        lists->second->push_back(guid == nullptr);
        return TRUE;
    };
    std::pair lists{&names, &nullGuid};
    ASSERT_EQ(DirectSoundEnumerateA(record, &lists), DS_OK);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(platform::Cp932ToUtf8(names[0]), "プライマリ サウンド ドライバ");
    EXPECT_TRUE(nullGuid[0]);
    EXPECT_EQ(DirectSoundEnumerateA(nullptr, nullptr), DSERR_INVALIDPARAM);
}

// The objects a row acts on: an object before Initialize, the test's
// object, a buffer without controls (100 frames) and the primary buffer.
struct Objects {
    IDirectSound *raw, *s;
    IDirectSoundBuffer *b, *p;
};
struct Row {
    const char* name;
    HRESULT (*call)(const Objects& o);
    HRESULT expected;
};

HRESULT Make(IDirectSound* sound, DWORD flags, DWORD bytes, WAVEFORMATEX format,
             DWORD size = sizeof(DSBUFFERDESC), IUnknown* outer = nullptr) {
    const bool primary = flags & DSBCAPS_PRIMARYBUFFER;
    DSBUFFERDESC desc{size, flags, bytes, 0, primary ? nullptr : &format, {}};
    IDirectSoundBuffer* buffer = nullptr;
    const HRESULT hr = sound->CreateSoundBuffer(&desc, &buffer, outer);
    if (buffer) buffer->Release();
    return hr;
}

static_assert(sizeof(DSBUFFERDESC) == 40 && sizeof(DSCAPS) == 96);  // 64-bit layouts
const WAVEFORMATEX kStereo = Pcm(2, 16, 44100);
const WAVEFORMATEX kFloat = {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 352800, 8, 32, 0};
const GUID kUnknownDevice = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
DSCAPS Caps(DWORD size) {
    DSCAPS caps{};
    caps.dwSize = size;
    return caps;
}
DSCAPS caps92 = Caps(92);
DSCAPS caps96 = Caps(96);

HRESULT LockOnce(IDirectSoundBuffer* buffer) {
    void* bytes;
    DWORD count;
    const HRESULT hr = buffer->Lock(0, 4, &bytes, &count, nullptr, nullptr, 0);
    if (hr == DS_OK) buffer->Unlock(bytes, count, nullptr, 0);
    return hr;
}

// clang-format off
const Row kRefusals[] = {
    {"zeroSize", [](auto& o) { return Make(o.s, 0, 0, kStereo); }, DSERR_INVALIDPARAM},
    {"floatFormat", [](auto& o) { return Make(o.s, 0, 800, kFloat); }, DSERR_BADFORMAT},
    {"threeChannels", [](auto& o) { return Make(o.s, 0, 600, Pcm(3, 16, 44100)); }, DSERR_BADFORMAT},
    {"rateTooLow", [](auto& o) { return Make(o.s, 0, 400, Pcm(2, 16, 99)); }, DSERR_INVALIDPARAM},
    {"partFrame", [](auto& o) { return Make(o.s, 0, 402, kStereo); }, DSERR_INVALIDPARAM},
    {"descSize36", [](auto& o) { return Make(o.s, 0, 400, kStereo, 36); }, DSERR_INVALIDPARAM},
    {"aggregation", [](auto& o) { return Make(o.s, 0, 400, kStereo, 40, o.s); }, DSERR_NOAGGREGATION},
    {"threeD", [](auto& o) { return Make(o.s, DSBCAPS_CTRL3D, 400, kStereo); }, DSERR_CONTROLUNAVAIL},
    {"primaryBytes", [](auto& o) { return Make(o.s, DSBCAPS_PRIMARYBUFFER, 400, kStereo); }, DSERR_INVALIDPARAM},
    {"noFrequencyControl", [](auto& o) { return o.b->SetFrequency(22050); }, DSERR_CONTROLUNAVAIL},
    {"noVolumeControl", [](auto& o) { return o.b->SetVolume(-100); }, DSERR_CONTROLUNAVAIL},
    {"positionAtEnd", [](auto& o) { return o.b->SetCurrentPosition(400); }, DSERR_INVALIDPARAM},
    {"playFlags", [](auto& o) { return o.b->Play(0, 0, 2); }, DSERR_INVALIDPARAM},
    {"playReserved", [](auto& o) { return o.b->Play(1, 0, 0); }, DSERR_INVALIDPARAM},
    {"secondaryFormat", [](auto& o) { return o.b->SetFormat(&kStereo); }, DSERR_INVALIDCALL},
    {"statusNull", [](auto& o) { return o.b->GetStatus(nullptr); }, DSERR_INVALIDPARAM},
    {"primaryLock", [](auto& o) { void* a; DWORD n; return o.p->Lock(0, 4, &a, &n, 0, 0, 0); }, DSERR_PRIOLEVELNEEDED},
    {"primaryPlayOnce", [](auto& o) { return o.p->Play(0, 0, 0); }, DSERR_INVALIDPARAM},
    {"primaryFloat", [](auto& o) { return o.p->SetFormat(&kFloat); }, DSERR_BADFORMAT},
    {"nullWindow", [](auto& o) { return o.s->SetCooperativeLevel(nullptr, DSSCL_PRIORITY); }, DSERR_INVALIDPARAM},
    {"levelFive", [](auto& o) { return o.s->SetCooperativeLevel(GetDesktopWindow(), 5); }, DSERR_INVALIDPARAM},
    {"capsSize", [](auto& o) { return o.s->GetCaps(&caps92); }, DSERR_INVALIDPARAM},
    {"initializeTwice", [](auto& o) { return o.s->Initialize(nullptr); }, DSERR_ALREADYINITIALIZED},
    {"bufferTooEarly", [](auto& o) { return Make(o.raw, 0, 400, kStereo); }, DSERR_UNINITIALIZED},
    {"capsTooEarly", [](auto& o) { return o.raw->GetCaps(&caps96); }, DSERR_UNINITIALIZED},
    {"levelTooEarly", [](auto& o) { return o.raw->SetCooperativeLevel(GetDesktopWindow(), 2); }, DSERR_UNINITIALIZED},
    {"unknownDevice", [](auto& o) { return o.raw->Initialize(&kUnknownDevice); }, DSERR_NODRIVER},
};

// Each refused once, then the same call passes.
const Row kSteps[] = {
    {"DirectSoundInitialize", [](auto& o) { return o.raw->Initialize(nullptr); }, DSERR_NODRIVER},
    {"SetCooperativeLevel", [](auto& o) { return o.s->SetCooperativeLevel(GetDesktopWindow(), 2); }, DSERR_GENERIC},
    {"PrimaryBuffer", [](auto& o) { return Make(o.s, DSBCAPS_PRIMARYBUFFER, 0, kStereo, 40); }, DSERR_GENERIC},
    {"SetFormat", [](auto& o) { return o.p->SetFormat(&kStereo); }, DSERR_GENERIC},
    {"CtrlFrequency", [](auto& o) { return Make(o.s, 0x80E2, 400, kStereo); }, DSERR_CONTROLUNAVAIL},
    {"Lock", [](auto& o) { return LockOnce(o.b); }, DSERR_BUFFERLOST},
};
// clang-format on

class DirectSoundRefusalThreads : public AudioTest {
  protected:
    void SetUp() override {
        AudioTest::SetUp();
        OpenSound();
        o.s = sound;
        o.b = Buffer(Constant(100, 5, 5), kStereo, 0);
        DSBUFFERDESC desc{sizeof desc, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr, {}};
        ASSERT_EQ(sound->CreateSoundBuffer(&desc, &o.p, nullptr), DS_OK);
        buffers.push_back(o.p);
        NewRaw();
    }
    void TearDown() override {
        o.raw->Release();
        AudioTest::TearDown();
    }
    void NewRaw() {
        if (o.raw) o.raw->Release();
        ASSERT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectSound, reinterpret_cast<void**>(&o.raw)),
                  S_OK);
    }
    Objects o{};
};

TEST_F(DirectSoundRefusalThreads, HostileArgumentsGetTheirDocumentedResultsAndChangeNothing) {
    const KnobAudioCounts before = KnobAudioLive();
    for (const Row& r : kRefusals) EXPECT_EQ(r.call(o), r.expected) << r.name;
    const KnobAudioCounts after = KnobAudioLive();
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.objects, before.objects);
    DWORD status = 1, play = 1;
    EXPECT_EQ(o.b->GetStatus(&status), DS_OK);
    EXPECT_EQ(o.b->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(status | play, 0u);
}

TEST_F(DirectSoundRefusalThreads, RefusedStartUpStepsFailOnceThenPass) {
    for (const Row& r : kSteps) {
        NewRaw();
        ASSERT_TRUE(KnobAudioRefuse(r.name, 1));
        EXPECT_EQ(r.call(o), r.expected) << r.name;
        EXPECT_EQ(r.call(o), DS_OK) << r.name;
    }
    EXPECT_FALSE(KnobAudioRefuse("NoSuchStep"));
    // The engine's fall-back description passes where the frequency control is refused.
    ASSERT_TRUE(KnobAudioRefuse("CtrlFrequency"));
    EXPECT_EQ(Make(sound, 0x80E2, 400, kStereo), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), DS_OK);
    KnobAudioFailBuffer(2);
    for (HRESULT expected : {DS_OK, DSERR_OUTOFMEMORY, DS_OK})
        EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), expected);
}

}  // namespace
}  // namespace audiotest
