// COM start and end for the engine's thread, through the run-time table.
#include <windows.h>

#include "core/log.h"
#include "core/system_services.h"
#include "core/text_literals.h"

namespace DuRud {
namespace {

int comStarted = 0;

}  // namespace

int InitializeCom() {
    if (comStarted) return -1;
    LogWrite(Cp932Text("ＣＯＭの初期化... "));
    auto coInitializeEx = WinApi<HRESULT(WINAPI*)(LPVOID, DWORD)>(Api_CoInitializeEx);
    if (!coInitializeEx || FAILED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        LogWrite(Cp932Text("ＣＯＭの初期化に失敗しました\n"));
        return -1;
    }
    LogWrite(Cp932Text("成功しました\n"));
    comStarted = 1;
    return 0;
}

int TerminateCom() {
    if (!comStarted) return -1;
    auto coUninitialize = WinApi<void(WINAPI*)()>(Api_CoUninitialize);
    if (coUninitialize) coUninitialize();
    LogWrite(Cp932Text("ＣＯＭを終了... 完了\n"));
    comStarted = 0;
    return 0;
}

}  // namespace DuRud
