// XAudio2: the engine object in its two layouts (version 2.8 from
// "XAudio2_8.dll", version 2.7 through COM), voices and their callbacks.
// Voices are mixed in software by the layer's mixer; the engine's own thread
// (the mixer thread) calls every voice callback.
#pragma once

#include "wave_format.h"
#include "win_types.h"

typedef uint32_t UINT32;
typedef uint64_t UINT64;
typedef float FLOAT32;

// Version 2.8 (XAudio2Create) and version 2.7 (COM: the release class and the debug class).
DEFINE_GUID(IID_IXAudio2, 0x60d8dac8, 0x5aa1, 0x4e8e, 0xb5, 0x97, 0x2f, 0x5e, 0x28, 0x83, 0xd4,
            0x84);
DEFINE_GUID(IID_IXAudio2_7, 0x8bcf1f58, 0x9fe7, 0x4583, 0x8a, 0xc6, 0xe2, 0xad, 0xc4, 0x65, 0xc8,
            0xbb);
DEFINE_GUID(CLSID_XAudio2_7, 0x5a508685, 0xa254, 0x4fba, 0x9b, 0x82, 0x9a, 0x24, 0xb0, 0x03, 0x06,
            0xaf);
DEFINE_GUID(CLSID_XAudio2_7_Debug, 0xdb05ea35, 0x0329, 0x4d4b, 0xa5, 0x3a, 0x6d, 0xea, 0xd0, 0x3d,
            0x38, 0x52);

// --- results and constants --------------------------------------------------------
#define XAUDIO2_E_INVALID_CALL static_cast<HRESULT>(0x88960001u)
#define XAUDIO2_E_XMA_DECODER_ERROR static_cast<HRESULT>(0x88960002u)
#define XAUDIO2_E_XAPO_CREATION_FAILED static_cast<HRESULT>(0x88960003u)
#define XAUDIO2_E_DEVICE_INVALIDATED static_cast<HRESULT>(0x88960004u)

#define XAUDIO2_MAX_BUFFER_BYTES 0x80000000u
#define XAUDIO2_MAX_QUEUED_BUFFERS 64
#define XAUDIO2_MAX_AUDIO_CHANNELS 64
#define XAUDIO2_MIN_SAMPLE_RATE 1000
#define XAUDIO2_MAX_SAMPLE_RATE 200000
#define XAUDIO2_MAX_VOLUME_LEVEL 16777216.0f
#define XAUDIO2_MIN_FREQ_RATIO (1 / 1024.0f)
#define XAUDIO2_MAX_FREQ_RATIO 1024.0f
#define XAUDIO2_DEFAULT_FREQ_RATIO 2.0f
#define XAUDIO2_MAX_LOOP_COUNT 254
#define XAUDIO2_LOOP_INFINITE 255
#define XAUDIO2_NO_LOOP_REGION 0
#define XAUDIO2_COMMIT_NOW 0
#define XAUDIO2_COMMIT_ALL 0
#define XAUDIO2_DEFAULT_CHANNELS 0
#define XAUDIO2_DEFAULT_SAMPLERATE 0

#define XAUDIO2_DEBUG_ENGINE 0x0001
#define XAUDIO2_VOICE_NOPITCH 0x0002
#define XAUDIO2_VOICE_NOSRC 0x0004
#define XAUDIO2_VOICE_USEFILTER 0x0008
#define XAUDIO2_PLAY_TAILS 0x0020
#define XAUDIO2_END_OF_STREAM 0x0040
#define XAUDIO2_SEND_USEFILTER 0x0080
#define XAUDIO2_VOICE_NOSAMPLESPLAYED 0x0100

typedef UINT32 XAUDIO2_PROCESSOR;
#define XAUDIO2_DEFAULT_PROCESSOR 0x00000001u
#define XAUDIO2_ANY_PROCESSOR 0xffffffffu

// Audio stream categories of the 2.8 mastering voice.
enum AUDIO_STREAM_CATEGORY {
    AudioCategory_Other = 0,
    AudioCategory_ForegroundOnlyMedia = 1,
    AudioCategory_BackgroundCapableMedia = 2,
    AudioCategory_Communications = 3,
    AudioCategory_Alerts = 4,
    AudioCategory_SoundEffects = 5,
    AudioCategory_GameEffects = 6,
    AudioCategory_GameMedia = 7,
};

// Device roles of the 2.7 device details.
enum XAUDIO2_DEVICE_ROLE {
    NotDefaultDevice = 0x0,
    DefaultConsoleDevice = 0x1,
    DefaultMultimediaDevice = 0x2,
    DefaultCommunicationsDevice = 0x4,
    DefaultGameDevice = 0x8,
    GlobalDefaultDevice = 0xf,
    InvalidDeviceRole = ~GlobalDefaultDevice,
};

// --- records (packed to bytes, as the interface publishes them) -----------------------
struct IXAudio2Voice;
struct IXAudio2EngineCallback;
struct XAUDIO2_FILTER_PARAMETERS;
struct XAUDIO2_PERFORMANCE_DATA;
struct XAUDIO2_DEBUG_CONFIGURATION;
struct XAUDIO2_VOICE_DETAILS;
struct XAUDIO2_BUFFER_WMA;

#pragma pack(push, 1)
struct XAUDIO2_DEVICE_DETAILS {  // 2.7
    WCHAR DeviceID[256];
    WCHAR DisplayName[256];
    XAUDIO2_DEVICE_ROLE Role;
    WAVEFORMATEXTENSIBLE OutputFormat;
};

struct XAUDIO2_SEND_DESCRIPTOR {
    UINT32 Flags;
    IXAudio2Voice* pOutputVoice;
};
struct XAUDIO2_VOICE_SENDS {
    UINT32 SendCount;
    XAUDIO2_SEND_DESCRIPTOR* pSends;
};

struct XAUDIO2_EFFECT_DESCRIPTOR {
    IUnknown* pEffect;
    BOOL InitialState;
    UINT32 OutputChannels;
};
struct XAUDIO2_EFFECT_CHAIN {
    UINT32 EffectCount;
    XAUDIO2_EFFECT_DESCRIPTOR* pEffectDescriptors;
};

// One submission: AudioBytes at pAudioData (read in place until its
// OnBufferEnd), played from frame PlayBegin for PlayLength frames (0: to the end).
struct XAUDIO2_BUFFER {
    UINT32 Flags;
    UINT32 AudioBytes;
    const BYTE* pAudioData;
    UINT32 PlayBegin;
    UINT32 PlayLength;
    UINT32 LoopBegin;
    UINT32 LoopLength;
    UINT32 LoopCount;
    void* pContext;
};

struct XAUDIO2_VOICE_STATE {
    void* pCurrentBufferContext;
    UINT32 BuffersQueued;
    UINT64 SamplesPlayed;
};
#pragma pack(pop)

// --- voices ----------------------------------------------------------------------------
// Not COM objects: no IUnknown; DestroyVoice ends them.
struct IXAudio2Voice {
    virtual void STDMETHODCALLTYPE GetVoiceDetails(XAUDIO2_VOICE_DETAILS* details) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputVoices(const XAUDIO2_VOICE_SENDS* sends) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEffectChain(const XAUDIO2_EFFECT_CHAIN* chain) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableEffect(UINT32 index, UINT32 operationSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableEffect(UINT32 index, UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetEffectState(UINT32 index, BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEffectParameters(UINT32 index, const void* parameters,
                                                          UINT32 bytes, UINT32 operationSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEffectParameters(UINT32 index, void* parameters,
                                                          UINT32 bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFilterParameters(const XAUDIO2_FILTER_PARAMETERS* p,
                                                          UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetFilterParameters(XAUDIO2_FILTER_PARAMETERS* p) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputFilterParameters(IXAudio2Voice* destination,
                                                                const XAUDIO2_FILTER_PARAMETERS* p,
                                                                UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetOutputFilterParameters(IXAudio2Voice* destination,
                                                             XAUDIO2_FILTER_PARAMETERS* p) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVolume(float volume,
                                                UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual void STDMETHODCALLTYPE GetVolume(float* volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetChannelVolumes(
        UINT32 channels, const float* volumes, UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual void STDMETHODCALLTYPE GetChannelVolumes(UINT32 channels, float* volumes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputMatrix(IXAudio2Voice* destination,
                                                      UINT32 sourceChannels,
                                                      UINT32 destinationChannels,
                                                      const float* levels, UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetOutputMatrix(IXAudio2Voice* destination,
                                                   UINT32 sourceChannels,
                                                   UINT32 destinationChannels, float* levels) = 0;
    virtual void STDMETHODCALLTYPE DestroyVoice() = 0;
};

struct IXAudio2SourceVoice : IXAudio2Voice {
    virtual HRESULT STDMETHODCALLTYPE Start(UINT32 flags = 0,
                                            UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop(UINT32 flags = 0,
                                           UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma = nullptr) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlushSourceBuffers() = 0;
    virtual HRESULT STDMETHODCALLTYPE Discontinuity() = 0;
    virtual HRESULT STDMETHODCALLTYPE ExitLoop(UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual void STDMETHODCALLTYPE GetState(XAUDIO2_VOICE_STATE* state, UINT32 flags = 0) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    SetFrequencyRatio(float ratio, UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual void STDMETHODCALLTYPE GetFrequencyRatio(float* ratio) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSourceSampleRate(UINT32 sampleRate) = 0;
};

struct IXAudio2SubmixVoice : IXAudio2Voice {};

// GetChannelMask exists in 2.8 only; a 2.7 caller never reaches its slot.
struct IXAudio2MasteringVoice : IXAudio2Voice {
    virtual HRESULT STDMETHODCALLTYPE GetChannelMask(DWORD* channelMask) = 0;
};

// Called on the engine's thread, in slot order: pass start (with the bytes
// the voice still needs for this pass), pass end, stream end, buffer start,
// buffer end, loop end, voice error.
struct IXAudio2VoiceCallback {
    virtual void STDMETHODCALLTYPE OnVoiceProcessingPassStart(UINT32 bytesRequired) = 0;
    virtual void STDMETHODCALLTYPE OnVoiceProcessingPassEnd() = 0;
    virtual void STDMETHODCALLTYPE OnStreamEnd() = 0;
    virtual void STDMETHODCALLTYPE OnBufferStart(void* bufferContext) = 0;
    virtual void STDMETHODCALLTYPE OnBufferEnd(void* bufferContext) = 0;
    virtual void STDMETHODCALLTYPE OnLoopEnd(void* bufferContext) = 0;
    virtual void STDMETHODCALLTYPE OnVoiceError(void* bufferContext, HRESULT error) = 0;
};

// --- the engine -------------------------------------------------------------------------
// Version 2.8 layout.
struct IXAudio2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RegisterForCallbacks(IXAudio2EngineCallback* callback) = 0;
    virtual void STDMETHODCALLTYPE UnregisterForCallbacks(IXAudio2EngineCallback* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSourceVoice(
        IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags = 0,
        float maxFrequencyRatio = XAUDIO2_DEFAULT_FREQ_RATIO,
        IXAudio2VoiceCallback* callback = nullptr, const XAUDIO2_VOICE_SENDS* sends = nullptr,
        const XAUDIO2_EFFECT_CHAIN* effects = nullptr) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSubmixVoice(IXAudio2SubmixVoice** voice,
                                                        UINT32 inputChannels,
                                                        UINT32 inputSampleRate, UINT32 flags,
                                                        UINT32 processingStage,
                                                        const XAUDIO2_VOICE_SENDS* sends,
                                                        const XAUDIO2_EFFECT_CHAIN* effects) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateMasteringVoice(
        IXAudio2MasteringVoice** voice, UINT32 inputChannels = XAUDIO2_DEFAULT_CHANNELS,
        UINT32 inputSampleRate = XAUDIO2_DEFAULT_SAMPLERATE, UINT32 flags = 0,
        LPCWSTR deviceId = nullptr, const XAUDIO2_EFFECT_CHAIN* effects = nullptr,
        AUDIO_STREAM_CATEGORY category = AudioCategory_GameEffects) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartEngine() = 0;
    virtual void STDMETHODCALLTYPE StopEngine() = 0;
    virtual HRESULT STDMETHODCALLTYPE CommitChanges(UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetPerformanceData(XAUDIO2_PERFORMANCE_DATA* data) = 0;
    virtual void STDMETHODCALLTYPE SetDebugConfiguration(const XAUDIO2_DEBUG_CONFIGURATION* c,
                                                         void* reserved = nullptr) = 0;
};

// Version 2.7 layout: device queries and Initialize come first; calls before
// Initialize fail.
struct IXAudio2_7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDeviceCount(UINT32* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceDetails(UINT32 index,
                                                       XAUDIO2_DEVICE_DETAILS* details) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    Initialize(UINT32 flags = 0, XAUDIO2_PROCESSOR processor = XAUDIO2_DEFAULT_PROCESSOR) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterForCallbacks(IXAudio2EngineCallback* callback) = 0;
    virtual void STDMETHODCALLTYPE UnregisterForCallbacks(IXAudio2EngineCallback* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSourceVoice(
        IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags = 0,
        float maxFrequencyRatio = XAUDIO2_DEFAULT_FREQ_RATIO,
        IXAudio2VoiceCallback* callback = nullptr, const XAUDIO2_VOICE_SENDS* sends = nullptr,
        const XAUDIO2_EFFECT_CHAIN* effects = nullptr) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSubmixVoice(IXAudio2SubmixVoice** voice,
                                                        UINT32 inputChannels,
                                                        UINT32 inputSampleRate, UINT32 flags,
                                                        UINT32 processingStage,
                                                        const XAUDIO2_VOICE_SENDS* sends,
                                                        const XAUDIO2_EFFECT_CHAIN* effects) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateMasteringVoice(
        IXAudio2MasteringVoice** voice, UINT32 inputChannels = XAUDIO2_DEFAULT_CHANNELS,
        UINT32 inputSampleRate = XAUDIO2_DEFAULT_SAMPLERATE, UINT32 flags = 0,
        UINT32 deviceIndex = 0, const XAUDIO2_EFFECT_CHAIN* effects = nullptr) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartEngine() = 0;
    virtual void STDMETHODCALLTYPE StopEngine() = 0;
    virtual HRESULT STDMETHODCALLTYPE CommitChanges(UINT32 operationSet) = 0;
    virtual void STDMETHODCALLTYPE GetPerformanceData(XAUDIO2_PERFORMANCE_DATA* data) = 0;
    virtual void STDMETHODCALLTYPE SetDebugConfiguration(const XAUDIO2_DEBUG_CONFIGURATION* c,
                                                         void* reserved = nullptr) = 0;
};

// "XAudio2_8.dll": the 2.8 engine, already initialised.
HRESULT WINAPI XAudio2Create(IXAudio2** engine, UINT32 flags = 0,
                             XAUDIO2_PROCESSOR processor = XAUDIO2_DEFAULT_PROCESSOR);
