// Files dropped onto a window: the HDROP of a WM_DROPFILES is a kernel-table
// object holding the names in code page 932, freed by DragFinish.
#include "kernel_objects.h"
#include "paths.h"
#include "user_state.h"
#include "win_kernel.h"
#include "win_shell.h"

namespace platform::user {

namespace {

struct DroppedFiles : KernelObject {
    std::vector<std::string> names;  // code page 932
    POINT point{};
};

// The program sees a dropped file under its drive-letter path
// ("C:\tmp\a.png"), names in code page 932.
std::string WindowsPathOf(const std::string& utf8) {
    return platform::NativeToDriveView(utf8);
}

}  // namespace

HDROP MakeDrop(const std::vector<std::string>& utf8Paths, POINT clientPoint) {
    auto files = std::make_shared<DroppedFiles>();
    for (const auto& path : utf8Paths) files->names.push_back(WindowsPathOf(path));
    files->point = clientPoint;
    return static_cast<HDROP>(KernelHandleAdd(files));
}

}  // namespace platform::user

using namespace platform::user;

void WINAPI DragAcceptFiles(HWND handle, BOOL accept) {
    auto window = GetWindow(handle);
    if (!window) return;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    window->acceptFiles = accept != FALSE;
    if (accept) {
        window->exStyle |= WS_EX_ACCEPTFILES;
    } else {
        window->exStyle &= ~static_cast<DWORD>(WS_EX_ACCEPTFILES);
    }
}

UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
    auto files = platform::KernelHandleGetAs<DroppedFiles>(drop);
    if (!files) return 0;
    if (index == 0xFFFFFFFFu) return static_cast<UINT>(files->names.size());
    if (index >= files->names.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string& name = files->names[index];
    if (!file) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    size_t n = std::min<size_t>(name.size(), size - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), file);
    file[n] = 0;
    return static_cast<UINT>(n);
}

BOOL WINAPI DragQueryPoint(HDROP drop, LPPOINT point) {
    auto files = platform::KernelHandleGetAs<DroppedFiles>(drop);
    if (!files || !point) return FALSE;
    *point = files->point;
    return TRUE;
}

void WINAPI DragFinish(HDROP drop) {
    if (platform::KernelHandleGetAs<DroppedFiles>(drop)) platform::KernelHandleRemove(drop);
}
