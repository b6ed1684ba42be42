// The predefined data formats and the binding of a format's entries to a
// device's objects.
#include <array>

#include "direct_input_internal.h"

namespace {

constexpr DWORD kAnyAxis = DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyButton = DIDFT_BUTTON | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyPov = DIDFT_POV | DIDFT_ANYINSTANCE;

constexpr std::array<DIOBJECTDATAFORMAT, 256> MakeKeyboardObjects() {
    std::array<DIOBJECTDATAFORMAT, 256> objects{};
    for (DWORD i = 0; i < 256; ++i) {
        objects[i] = {&GUID_Key, i, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i) | DIDFT_OPTIONAL, 0};
    }
    return objects;
}
constinit std::array<DIOBJECTDATAFORMAT, 256> g_keyboardObjects = MakeKeyboardObjects();

DIOBJECTDATAFORMAT g_mouseObjects[11] = {
    {&GUID_XAxis, DIMOFS_X, kAnyAxis, 0},
    {&GUID_YAxis, DIMOFS_Y, kAnyAxis, 0},
    {&GUID_ZAxis, DIMOFS_Z, kAnyAxis | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 0, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON0 + 1, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON0 + 2, kAnyButton | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 3, kAnyButton | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 4, kAnyButton | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 5, kAnyButton | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 6, kAnyButton | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0 + 7, kAnyButton | DIDFT_OPTIONAL, 0},
};

constexpr std::array<DIOBJECTDATAFORMAT, 44> MakeJoystickObjects() {
    std::array<DIOBJECTDATAFORMAT, 44> objects{};
    const GUID* axes[8] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                           &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
    int n = 0;
    for (DWORD i = 0; i < 8; ++i) {
        objects[n++] = {axes[i], i * 4, kAnyAxis | DIDFT_OPTIONAL, DIDOI_ASPECTPOSITION};
    }
    for (DWORD i = 0; i < 4; ++i) {
        objects[n++] = {&GUID_POV, DIJOFS_POV(i), kAnyPov | DIDFT_OPTIONAL, 0};
    }
    for (DWORD i = 0; i < 32; ++i) {
        objects[n++] = {nullptr, DIJOFS_BUTTON(i), kAnyButton | DIDFT_OPTIONAL, 0};
    }
    return objects;
}
constinit std::array<DIOBJECTDATAFORMAT, 44> g_joystickObjects = MakeJoystickObjects();

}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT),    sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256,
    g_keyboardObjects.data()};
const DIDATAFORMAT c_dfDIMouse2 = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE2), 11,
    g_mouseObjects};
const DIDATAFORMAT c_dfDIJoystick = {
    sizeof(DIDATAFORMAT),    sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE), 44,
    g_joystickObjects.data()};

namespace platform::input::dinput {

namespace {

// A format larger than this or with more entries is refused: no device has
// that many objects.
constexpr DWORD kMaxDataSize = 64 * 1024;
constexpr DWORD kMaxEntries = 1024;

bool IsAxisGuid(const GUID& g) {
    return g == GUID_XAxis || g == GUID_YAxis || g == GUID_ZAxis || g == GUID_RxAxis ||
           g == GUID_RyAxis || g == GUID_RzAxis || g == GUID_Slider;
}

// The object kind an entry asks for, from its type bits or else its GUID.
bool EntryKind(const DIOBJECTDATAFORMAT& entry, ObjectKind* kind) {
    DWORD type = DIDFT_GETTYPE(entry.dwType);
    if (type & DIDFT_AXIS) {
        *kind = ObjectKind::Axis;
    } else if (type & DIDFT_BUTTON) {
        *kind = ObjectKind::Button;
    } else if (type & DIDFT_POV) {
        *kind = ObjectKind::Pov;
    } else if (entry.pguid && IsAxisGuid(*entry.pguid)) {
        *kind = ObjectKind::Axis;
    } else if (entry.pguid && (*entry.pguid == GUID_Button || *entry.pguid == GUID_Key)) {
        *kind = ObjectKind::Button;
    } else if (entry.pguid && *entry.pguid == GUID_POV) {
        *kind = ObjectKind::Pov;
    } else {
        return false;
    }
    return true;
}

const GUID& ObjectType(const DeviceDescription& device, ObjectKind kind, int index) {
    switch (kind) {
        case ObjectKind::Axis:
            return AxisType(device.kind, index);
        case ObjectKind::Pov:
            return GUID_POV;
        case ObjectKind::Button:
            return device.kind == DeviceKind::Keyboard ? GUID_Key : GUID_Button;
    }
    return GUID_Unknown;
}

int ObjectCount(const DeviceDescription& device, ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Axis:
            return device.axes;
        case ObjectKind::Pov:
            return device.povs;
        case ObjectKind::Button:
            return device.buttons;
    }
    return 0;
}

}  // namespace

HRESULT BindDataFormat(const DIDATAFORMAT* format, const DeviceDescription& device,
                       std::vector<Binding>* bindings, DWORD* dataSize) {
    if (!format || format->dwSize != sizeof(DIDATAFORMAT) ||
        format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize == 0 ||
        format->dwDataSize % 4 != 0 || format->dwDataSize > kMaxDataSize ||
        format->dwNumObjs > kMaxEntries || (format->dwNumObjs > 0 && !format->rgodf) ||
        (format->dwFlags & ~DWORD{DIDF_ABSAXIS | DIDF_RELAXIS}) != 0) {
        return DIERR_INVALIDPARAM;
    }
    const bool relative = device.kind == DeviceKind::Mouse;
    std::vector<bool> used[3] = {std::vector<bool>(kMaxAxes), std::vector<bool>(kMaxPovs),
                                 std::vector<bool>(256)};
    std::vector<Binding> result;
    for (DWORD e = 0; e < format->dwNumObjs; ++e) {
        const DIOBJECTDATAFORMAT& entry = format->rgodf[e];
        ObjectKind kind;
        if (!EntryKind(entry, &kind)) return DIERR_INVALIDPARAM;
        DWORD width = kind == ObjectKind::Button ? 1 : 4;
        if (entry.dwOfs > format->dwDataSize - width || entry.dwOfs % width != 0) {
            return DIERR_INVALIDPARAM;
        }
        DWORD axisBits = DIDFT_GETTYPE(entry.dwType) & DIDFT_AXIS;
        bool modeFits =
            !(axisBits == DIDFT_RELAXIS && !relative) && !(axisBits == DIDFT_ABSAXIS && relative);
        DWORD instance = DIDFT_GETINSTANCE(entry.dwType);
        std::vector<bool>& taken = used[static_cast<int>(kind)];
        int found = -1;
        int count = ObjectCount(device, kind);
        for (int i = 0; modeFits && i < count && found < 0; ++i) {
            if (taken[i]) continue;
            if (instance != 0xFFFF && instance != static_cast<DWORD>(i)) continue;
            if (entry.pguid && !(*entry.pguid == ObjectType(device, kind, i))) continue;
            found = i;
        }
        if (found < 0 && !(entry.dwType & DIDFT_OPTIONAL)) return DIERR_INVALIDPARAM;
        if (found >= 0) taken[found] = true;
        result.push_back(Binding{entry.dwOfs, kind, found});
    }
    bindings->swap(result);
    *dataSize = format->dwDataSize;
    return DI_OK;
}

}  // namespace platform::input::dinput
