// DirectSound: locking, the write cursor, capabilities, the device list, and
// hostile arguments and refused steps with their documented results.
#include <functional>
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
    Sleep(10);
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
    Sleep(20);
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
        auto* lists = static_cast<std::pair<std::vector<std::string>*, std::vector<bool>*>*>(context);
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

struct Refusal {
    const char* name;
    std::function<HRESULT(IDirectSound* raw, IDirectSound* sound, IDirectSoundBuffer* plain,
                          IDirectSoundBuffer* primary)>
        call;
    HRESULT expected;
};

HRESULT Make(IDirectSound* sound, DWORD flags, DWORD bytes, WAVEFORMATEX format,
             DWORD size = sizeof(DSBUFFERDESC), IUnknown* outer = nullptr) {
    DSBUFFERDESC desc{size, flags, bytes, 0, &format, {}};
    IDirectSoundBuffer* buffer = nullptr;
    const HRESULT hr = sound->CreateSoundBuffer(&desc, &buffer, outer);
    if (buffer) buffer->Release();
    return hr;
}

WAVEFORMATEX Tagged(WORD tag, WORD channels, WORD bits) {
    WAVEFORMATEX f = Pcm(channels, bits, 44100);
    f.wFormatTag = tag;
    return f;
}

const GUID kUnknownDevice = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
const WAVEFORMATEX kStereo = Pcm(2, 16, 44100);

const Refusal kRefusals[] = {
    {"zeroSize", [](auto, auto s, auto, auto) { return Make(s, 0, 0, kStereo); }, DSERR_INVALIDPARAM},
    {"floatFormat", [](auto, auto s, auto, auto) { return Make(s, 0, 800, Tagged(WAVE_FORMAT_IEEE_FLOAT, 2, 32)); }, DSERR_BADFORMAT},
    {"threeChannels", [](auto, auto s, auto, auto) { return Make(s, 0, 600, Pcm(3, 16, 44100)); }, DSERR_BADFORMAT},
    {"rateTooLow", [](auto, auto s, auto, auto) { return Make(s, 0, 400, Pcm(2, 16, 99)); }, DSERR_INVALIDPARAM},
    {"partFrame", [](auto, auto s, auto, auto) { return Make(s, 0, 402, kStereo); }, DSERR_INVALIDPARAM},
    {"descSize36", [](auto, auto s, auto, auto) { return Make(s, 0, 400, kStereo, 36); }, DSERR_INVALIDPARAM},
    {"aggregation", [](auto, auto s, auto, auto) { return Make(s, 0, 400, kStereo, sizeof(DSBUFFERDESC), s); }, DSERR_NOAGGREGATION},
    {"threeD", [](auto, auto s, auto, auto) { return Make(s, DSBCAPS_CTRL3D, 400, Pcm(1, 16, 44100)); }, DSERR_CONTROLUNAVAIL},
    {"primaryWithBytes", [](auto, auto s, auto, auto) { return Make(s, DSBCAPS_PRIMARYBUFFER, 400, kStereo); }, DSERR_INVALIDPARAM},
    {"frequencyWithoutControl", [](auto, auto, auto b, auto) { return b->SetFrequency(22050); }, DSERR_CONTROLUNAVAIL},
    {"volumeWithoutControl", [](auto, auto, auto b, auto) { return b->SetVolume(-100); }, DSERR_CONTROLUNAVAIL},
    {"positionAtTheEnd", [](auto, auto, auto b, auto) { return b->SetCurrentPosition(400); }, DSERR_INVALIDPARAM},
    {"playFlags", [](auto, auto, auto b, auto) { return b->Play(0, 0, 2); }, DSERR_INVALIDPARAM},
    {"playReserved", [](auto, auto, auto b, auto) { return b->Play(1, 0, 0); }, DSERR_INVALIDPARAM},
    {"secondarySetFormat", [](auto, auto, auto b, auto) { return b->SetFormat(&kStereo); }, DSERR_INVALIDCALL},
    {"statusNull", [](auto, auto, auto b, auto) { return b->GetStatus(nullptr); }, DSERR_INVALIDPARAM},
    {"primaryLock", [](auto, auto, auto, auto p) { void* a; DWORD n; return p->Lock(0, 4, &a, &n, nullptr, nullptr, 0); }, DSERR_PRIOLEVELNEEDED},
    {"primaryPlayOnce", [](auto, auto, auto, auto p) { return p->Play(0, 0, 0); }, DSERR_INVALIDPARAM},
    {"primaryFloat", [](auto, auto, auto, auto p) { const auto f = Tagged(WAVE_FORMAT_IEEE_FLOAT, 2, 32); return p->SetFormat(&f); }, DSERR_BADFORMAT},
    {"nullWindow", [](auto, auto s, auto, auto) { return s->SetCooperativeLevel(nullptr, DSSCL_PRIORITY); }, DSERR_INVALIDPARAM},
    {"levelFive", [](auto, auto s, auto, auto) { return s->SetCooperativeLevel(GetDesktopWindow(), 5); }, DSERR_INVALIDPARAM},
    {"capsSize", [](auto, auto s, auto, auto) { DSCAPS c{}; c.dwSize = 92; return s->GetCaps(&c); }, DSERR_INVALIDPARAM},
    {"initializeTwice", [](auto, auto s, auto, auto) { return s->Initialize(nullptr); }, DSERR_ALREADYINITIALIZED},
    {"bufferBeforeInitialize", [](auto r, auto, auto, auto) { return Make(r, 0, 400, kStereo); }, DSERR_UNINITIALIZED},
    {"capsBeforeInitialize", [](auto r, auto, auto, auto) { DSCAPS c{}; c.dwSize = sizeof c; return r->GetCaps(&c); }, DSERR_UNINITIALIZED},
    {"levelBeforeInitialize", [](auto r, auto, auto, auto) { return r->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY); }, DSERR_UNINITIALIZED},
    {"unknownDevice", [](auto r, auto, auto, auto) { return r->Initialize(&kUnknownDevice); }, DSERR_NODRIVER},
};

TEST_F(DirectSoundThreads, HostileArgumentsGetTheirDocumentedResultsAndChangeNothing) {
    OpenSound();
    IDirectSound* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                               reinterpret_cast<void**>(&raw)),
              S_OK);
    IDirectSoundBuffer* plain = Buffer(Constant(100, 5, 5), kStereo, 0);
    DSBUFFERDESC desc{sizeof desc, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr, {}};
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    const KnobAudioCounts before = KnobAudioLive();
    for (const Refusal& r : kRefusals) EXPECT_EQ(r.call(raw, sound, plain, primary), r.expected) << r.name;
    const KnobAudioCounts after = KnobAudioLive();
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.objects, before.objects);
    DWORD status = 1, play = 1;
    EXPECT_EQ(plain->GetStatus(&status), DS_OK);
    EXPECT_EQ(plain->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(status | play, 0u);
    primary->Release();
    raw->Release();
}

struct StepCase {
    const char* step;
    std::function<HRESULT(IDirectSound* raw, IDirectSound* sound)> call;
    HRESULT refused;
};

HRESULT Primary(IDirectSound* sound, bool setFormat) {
    DSBUFFERDESC desc{sizeof desc, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr, {}};
    IDirectSoundBuffer* primary = nullptr;
    HRESULT hr = sound->CreateSoundBuffer(&desc, &primary, nullptr);
    if (FAILED(hr) || !setFormat) {
        if (primary) primary->Release();
        return hr;
    }
    hr = primary->SetFormat(&kStereo);
    primary->Release();
    return hr;
}

const StepCase kSteps[] = {
    {"DirectSoundInitialize", [](auto r, auto) { return r->Initialize(nullptr); }, DSERR_NODRIVER},
    {"SetCooperativeLevel", [](auto, auto s) { return s->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY); }, DSERR_GENERIC},
    {"PrimaryBuffer", [](auto, auto s) { return Primary(s, false); }, DSERR_GENERIC},
    {"SetFormat", [](auto, auto s) { return Primary(s, true); }, DSERR_GENERIC},
    {"CtrlFrequency", [](auto, auto s) { return Make(s, 0x80E2, 400, kStereo); }, DSERR_CONTROLUNAVAIL},
    {"Lock", [](auto, auto s) {
         IDirectSoundBuffer* b = nullptr;
         DSBUFFERDESC desc{sizeof desc, 0, 400, 0, const_cast<WAVEFORMATEX*>(&kStereo), {}};
         s->CreateSoundBuffer(&desc, &b, nullptr);
         void* p; DWORD n;
         const HRESULT hr = b->Lock(0, 4, &p, &n, nullptr, nullptr, 0);
         if (hr == DS_OK) b->Unlock(p, n, nullptr, 0);
         b->Release();
         return hr; }, DSERR_BUFFERLOST},
};

TEST_F(DirectSoundThreads, RefusedStartUpStepsFailOnceThenPass) {
    OpenSound();
    for (const StepCase& c : kSteps) {
        IDirectSound* raw = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectSound, reinterpret_cast<void**>(&raw)),
                  S_OK);
        ASSERT_TRUE(KnobAudioRefuse(c.step, 1));
        EXPECT_EQ(c.call(raw, sound), c.refused) << c.step;
        EXPECT_EQ(c.call(raw, sound), DS_OK) << c.step;
        raw->Release();
    }
    EXPECT_FALSE(KnobAudioRefuse("NoSuchStep"));
    // The engine's fall-back description passes where the frequency control is refused.
    ASSERT_TRUE(KnobAudioRefuse("CtrlFrequency"));
    EXPECT_EQ(Make(sound, 0x80E2, 400, kStereo), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), DS_OK);
    KnobAudioFailBuffer(2);
    EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), DS_OK);
    EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), DSERR_OUTOFMEMORY);
    EXPECT_EQ(Make(sound, 0xC2, 400, kStereo), DS_OK);
}

}  // namespace
}  // namespace audiotest
