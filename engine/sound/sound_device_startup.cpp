// The sound device's start-up and release: XAudio2 2.8 from its own library,
// else XAudio2 2.7 through COM with X3DAudio, else DirectSound through COM
// with its primary format, silent loop buffer and device report. Each step
// logs what it does; a failed XAudio2 step only hands over to DirectSound.
#include <bit>
#include <cstdarg>
#include <cstring>

#include "core/log.h"
#include "core/system_services.h"
#include "sound/sound_device.h"

namespace DuRud {

namespace {

// One piece of a log line (a line ends with its own "\n"): UTF-8 in the
// source, code page 932 in the log.
int Log(const char* utf8) {
    return LogWrite(Cp932Text(utf8));
}

typedef HRESULT(WINAPI* CoCreateInstanceFunction)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
typedef HRESULT(WINAPI* XAudio2CreateFunction)(IXAudio2**, UINT32, XAUDIO2_PROCESSOR);
typedef HRESULT(WINAPI* X3DAudioInitializeFunction)(UINT, FLOAT, X3DAUDIO_HANDLE);
typedef HRESULT(WINAPI* DirectSoundEnumerateFunction)(LPDSENUMCALLBACKA, LPVOID);

template <class Function>
Function Entry(FARPROC entry) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(entry));
}

constexpr DWORD kAllContexts = 7;  // in-process, handler and local server
constexpr DWORD kSilentBufferBytes = 400;

HRESULT CreateComObject(const GUID& clsid, const GUID& iid, void** object) {
    *object = nullptr;
    auto coCreate = WinApi<CoCreateInstanceFunction>(Api_CoCreateInstance);
    if (!coCreate) return E_FAIL;
    const HRESULT hr = coCreate(clsid, nullptr, kAllContexts, iid, object);
    if (FAILED(hr)) *object = nullptr;
    return *object ? hr : (FAILED(hr) ? hr : E_FAIL);
}

void LogErrorCode(HRESULT hr) {
    LogFormatLine(Cp932Text("エラーコード %x"), static_cast<unsigned>(hr));
}

void ReleaseDevice() {
    SoundSystemState& s = SoundSystem();
    if (s.device) s.device->Release();
    s.device = nullptr;
}

void FreeXAudio2Libraries() {
    SoundSystemState& s = SoundSystem();
    if (s.xaudio2Library) FreeLibrary(s.xaudio2Library);
    if (s.x3dAudioLibrary) FreeLibrary(s.x3dAudioLibrary);
    s.xaudio2Library = s.x3dAudioLibrary = nullptr;
    s.xaudio2Create = s.createAudioVolumeMeter = s.createAudioReverb = nullptr;
    s.x3dAudioInitialize = s.x3dAudioCalculate = nullptr;
}

// Undoes a partial XAudio2 start-up; -1 so that the caller falls back.
int AbandonXAudio2() {
    ReleaseDevice();
    FreeXAudio2Libraries();
    return -1;
}

// Version 2.8: the engine from XAudio2Create, the channel mask from the
// mastering voice.
int StartVersion28() {
    SoundSystemState& s = SoundSystem();
    Log("XAudio2_8.dll を使用します\n");
    s.xaudio2Create = GetProcAddress(s.xaudio2Library, "XAudio2Create");
    s.createAudioVolumeMeter = GetProcAddress(s.xaudio2Library, "CreateAudioVolumeMeter");
    s.createAudioReverb = GetProcAddress(s.xaudio2Library, "CreateAudioReverb");
    s.x3dAudioInitialize = GetProcAddress(s.xaudio2Library, "X3DAudioInitialize");
    s.x3dAudioCalculate = GetProcAddress(s.xaudio2Library, "X3DAudioCalculate");
    Log("XAudio2 インターフェースの取得と初期化を行います....  ");
    IXAudio2* engine = nullptr;
    auto create = Entry<XAudio2CreateFunction>(s.xaudio2Create);
    const HRESULT hr = create ? create(&engine, 0, XAUDIO2_ANY_PROCESSOR) : E_FAIL;
    s.device = engine;
    if (FAILED(hr) || !engine) {
        Log("初期化に失敗しました\n");
        LogErrorCode(hr);
        return AbandonXAudio2();
    }
    Log("成功 Ver2.8\n");
    if (FAILED(engine->CreateMasteringVoice(&s.masteringVoice, XAUDIO2_DEFAULT_CHANNELS,
                                            s.outputRate, 0, nullptr, nullptr,
                                            AudioCategory_GameEffects)) ||
        !s.masteringVoice) {
        s.masteringVoice = nullptr;
        Log("XAudio2MasteringVoiceの作成に失敗しました\n");
        return AbandonXAudio2();
    }
    s.masteringVoice->GetChannelMask(&s.channelMask);
    return 0;
}

// Version 2.7: the COM object under the first class id that answers,
// initialised, X3DAudio from its own library, the channel mask from device 0.
int StartVersion27() {
    SoundSystemState& s = SoundSystem();
    Log("XAudio2 インターフェースの取得を行います....  ");
    const GUID* classes[] = {&CLSID_XAudio2_7, &CLSID_XAudio2_7_Debug};
    int found = -1;
    void* object = nullptr;
    for (int i = 0; i < 2 && found < 0; ++i) {
        if (SUCCEEDED(CreateComObject(*classes[i], IID_IXAudio2_7, &object))) found = i;
    }
    if (found < 0) {
        Log("XAudio2インターフェースの取得に失敗しました\n");
        return -1;
    }
    auto* engine = static_cast<IXAudio2_7*>(object);
    s.device = engine;
    LogFormatLine(Cp932Text("成功 Ver2.%d"), 7 - found);
    Log("引き続きインターフェースの初期化処理...  ");
    const HRESULT hr = engine->Initialize(0, XAUDIO2_ANY_PROCESSOR);
    if (FAILED(hr)) {
        Log("初期化に失敗しました\n");
        LogErrorCode(hr);
        return AbandonXAudio2();
    }
    Log("成功\n");
    Log("X3DAudio.DLL の読み込み中... ");
    s.x3dAudioLibrary = LoadLibraryA("X3DAudio1_7.dll");
    if (!s.x3dAudioLibrary) {
        Log("失敗、X3DAudio、XAudio2は使用しません\n");
        return AbandonXAudio2();
    }
    Log("成功\n");
    s.x3dAudioInitialize = GetProcAddress(s.x3dAudioLibrary, "X3DAudioInitialize");
    s.x3dAudioCalculate = GetProcAddress(s.x3dAudioLibrary, "X3DAudioCalculate");
    if (FAILED(engine->CreateMasteringVoice(&s.masteringVoice, XAUDIO2_DEFAULT_CHANNELS,
                                            s.outputRate, 0, 0, nullptr)) ||
        !s.masteringVoice) {
        s.masteringVoice = nullptr;
        Log("XAudio2MasteringVoiceの作成に失敗しました\n");
        return AbandonXAudio2();
    }
    XAUDIO2_DEVICE_DETAILS details{};
    if (SUCCEEDED(engine->GetDeviceDetails(0, &details))) {
        const WAVEFORMATEX& f = details.OutputFormat.Format;
        LogIndent();
        LogFormatLineWide(u"%s", details.DisplayName);
        LogFormatLine(Cp932Text("チャンネル数:%d"), f.nChannels);
        LogFormatLine(Cp932Text("ビット精度:%dbit"), f.wBitsPerSample);
        LogFormatLine(Cp932Text("サンプリングレート:%dHz"), static_cast<int>(f.nSamplesPerSec));
        LogUnindent();
        s.channelMask = details.OutputFormat.dwChannelMask;
    }
    return 0;
}

const char* OkOrNo(DWORD flags, DWORD bit) {
    return (flags & bit) ? "OK" : "NO";
}

// One log line made of several pieces, each formatted on its own.
void LogPiece(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogPiece(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    FormatStringV(buffer, sizeof(buffer), format, args);
    va_end(args);
    LogWrite(buffer);
}

void ReportDirectSoundDevices(IDirectSound* ds) {
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    ds->GetCaps(&caps);
    Log("DirectSound デバイスを列挙します\n");
    HMODULE library = LoadLibraryA("DSOUND.DLL");
    if (!library) {
        Log("DSOUND.DLL のロードに失敗しました\n");
        return;
    }
    auto enumerate =
        Entry<DirectSoundEnumerateFunction>(GetProcAddress(library, "DirectSoundEnumerateA"));
    if (!enumerate) {
        Log("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
        FreeLibrary(library);
        return;
    }
    enumerate(&LogDirectSoundDevice, nullptr);
    const DWORD f = caps.dwFlags;
    LogPiece(Cp932Text("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz "),
             caps.dwMaxSecondarySampleRate / 1000.0, caps.dwMinSecondarySampleRate / 1000.0);
    LogPiece(Cp932Text("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n"),
             caps.dwTotalHwMemBytes / 1024.0, caps.dwFreeHwMemBytes / 1024.0);
    Log("利用可能サンプリング精度\n");
    LogPiece(Cp932Text(" プライマリ １６bit = %s  ８bit = %s "), OkOrNo(f, DSCAPS_PRIMARY16BIT),
             OkOrNo(f, DSCAPS_PRIMARY8BIT));
    LogPiece(Cp932Text(" セカンダリ １６bit = %s  ８bit = %s \n"), OkOrNo(f, DSCAPS_SECONDARY16BIT),
             OkOrNo(f, DSCAPS_SECONDARY8BIT));
    Log("利用可能チャンネル\n");
    LogPiece(Cp932Text(" プライマリ MONO = %s  STEREO = %s "), OkOrNo(f, DSCAPS_PRIMARYMONO),
             OkOrNo(f, DSCAPS_PRIMARYSTEREO));
    LogPiece(Cp932Text(" セカンダリ MONO = %s  STEREO = %s \n"), OkOrNo(f, DSCAPS_SECONDARYMONO),
             OkOrNo(f, DSCAPS_SECONDARYSTEREO));
    FreeLibrary(library);
}

// The primary buffer's format from the device's capabilities; a refusal is
// only logged.
void SetPrimaryFormat(IDirectSound* ds, IDirectSoundBuffer* primary) {
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    ds->GetCaps(&caps);
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = (caps.dwFlags & DSCAPS_PRIMARYSTEREO) ? 2 : 1;
    f.wBitsPerSample = (caps.dwFlags & DSCAPS_PRIMARY16BIT) ? 16 : 8;
    f.nSamplesPerSec =
        caps.dwMaxSecondarySampleRate < 44100 ? caps.dwMaxSecondarySampleRate : 44100;
    f.nBlockAlign = static_cast<WORD>(f.wBitsPerSample / 8 * f.nChannels);
    f.nAvgBytesPerSec = f.nBlockAlign * f.nSamplesPerSec;
    if (FAILED(primary->SetFormat(&f)))
        Log("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
}

// 100 frames of 16-bit stereo silence played looping for the whole run.
void StartSilentBuffer(IDirectSound* ds) {
    SoundSystemState& s = SoundSystem();
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = kSilentBufferBytes;
    desc.lpwfxFormat = &f;
    if (FAILED(ds->CreateSoundBuffer(&desc, &s.silentBuffer, nullptr)) || !s.silentBuffer) {
        s.silentBuffer = nullptr;
        Log("無音バッファの作成に失敗しました");
        Log("\n");
        return;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(s.silentBuffer->Lock(0, kSilentBufferBytes, &p1, &n1, &p2, &n2, 0))) {
        Log("無音バッファのロックに失敗しました");
        Log("\n");
        s.silentBuffer->Release();
        s.silentBuffer = nullptr;
        return;
    }
    if (p1) std::memset(p1, 0, n1);
    if (p2) std::memset(p2, 0, n2);
    s.silentBuffer->Unlock(p1, n1, p2, n2);
    s.silentBuffer->Play(0, 0, DSBPLAY_LOOPING);
}

}  // namespace

int StartXAudio2Output() {
    SoundSystemState& s = SoundSystem();
    Log("XAudio2 の初期化を行います\n");
    LogIndent();
    s.xaudio2Library = LoadLibraryA("XAudio2_8.dll");
    const int result = s.xaudio2Library ? StartVersion28() : StartVersion27();
    if (result < 0) {
        LogUnindent();
        return -1;
    }
    s.channelCount = std::popcount(static_cast<uint32_t>(s.channelMask));
    if (auto init = Entry<X3DAudioInitializeFunction>(s.x3dAudioInitialize))
        init(s.channelMask, X3DAUDIO_SPEED_OF_SOUND, s.x3dInstance);
    return 0;
}

int StartDirectSoundOutput() {
    SoundSystemState& s = SoundSystem();
    Log("DirectSound の初期化を行います\n");
    LogIndent();
    Log("DirectSound インターフェースの取得を行います....  ");
    void* object = nullptr;
    if (FAILED(CreateComObject(CLSID_DirectSound, IID_IDirectSound, &object))) {
        Log("DirectSoundインターフェースの取得に失敗しました\n");
        LogUnindent();
        return -1;
    }
    auto* ds = static_cast<IDirectSound*>(object);
    s.device = ds;
    Log("成功\n");
    Log("引き続きインターフェースの初期化処理...  ");
    const char* failure = nullptr;
    HRESULT hr = ds->Initialize(nullptr);
    if (FAILED(hr)) {
        Log("初期化に失敗しました\n");
        LogErrorCode(hr);
    } else {
        Log("成功\n");
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (FAILED(ds->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY)))
            failure = Cp932Text("DirectSoundの協調レベルの設定に失敗しました\n");
        else if (FAILED(ds->CreateSoundBuffer(&desc, &s.primaryBuffer, nullptr)) ||
                 !s.primaryBuffer)
            failure = Cp932Text("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
    }
    if (FAILED(hr) || failure) {
        if (failure) LogWrite(failure);
        s.primaryBuffer = nullptr;
        ReleaseDevice();
        LogUnindent();
        return -1;
    }
    SetPrimaryFormat(ds, s.primaryBuffer);
    StartSilentBuffer(ds);
    ReportDirectSoundDevices(ds);
    return 0;
}

void EndSoundOutput() {
    SoundSystemState& s = SoundSystem();
    if (s.useDirectSound) {
        for (IDirectSoundBuffer** buffer : {&s.primaryBuffer, &s.silentBuffer}) {
            if (!*buffer) continue;
            (*buffer)->Stop();
            (*buffer)->Release();
            *buffer = nullptr;
        }
        ReleaseDevice();
        Log("DirectSound の終了処理は正常に終了しました\n");
        return;
    }
    if (s.masteringVoice) s.masteringVoice->DestroyVoice();
    s.masteringVoice = nullptr;
    ReleaseDevice();
    FreeXAudio2Libraries();
}

BOOL CALLBACK LogDirectSoundDevice(LPGUID, LPCSTR description, LPCSTR module, LPVOID) {
    LogFormatLine(Cp932Text("モジュール名:%15s  ドライバ記述:%s"), module ? module : "",
                  description ? description : "");
    return TRUE;
}

IXAudio2* XAudio2Version28() {
    const SoundSystemState& s = SoundSystem();
    return !s.useDirectSound && s.xaudio2Library ? static_cast<IXAudio2*>(s.device) : nullptr;
}

IXAudio2_7* XAudio2Version27() {
    const SoundSystemState& s = SoundSystem();
    return !s.useDirectSound && !s.xaudio2Library ? static_cast<IXAudio2_7*>(s.device) : nullptr;
}

IDirectSound* DirectSoundDevice() {
    const SoundSystemState& s = SoundSystem();
    return s.useDirectSound ? static_cast<IDirectSound*>(s.device) : nullptr;
}

}  // namespace DuRud
