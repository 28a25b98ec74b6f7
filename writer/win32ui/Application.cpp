#include "writer/win32ui/Application.h"

#include "text/Wide.h"
#include "writer/form/Layout.h"
#include "writer/win32ui/Controls.h"

namespace bramblet::win32ui {

using text::Widen;

namespace {

constexpr wchar_t kClassName[] = L"TApplication";
// Hands the focus on once the activation that brought it here has ended.
constexpr UINT kActivateMain = WM_APP + 1;

}  // namespace

Application::Application() {
    RegisterFormClass(kClassName, WindowProc);
    // No size, just outside the screen: nothing of it shows, and it still has its button.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN) - 1;
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN) - 1;
    window_ = CreateWindowExW(0, kClassName, Widen(form::kApplicationTitle).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              left, top, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}

Application::~Application() {
    if (window_) DestroyWindow(window_);
}

void Application::Run() {
    MSG message;
    while (IsWindow(main_) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and the arrow keys move between the controls, as in a dialog.
        if (IsDialogMessageW(main_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const HWND main = self ? self->main_ : nullptr;
    switch (message) {
        case WM_CLOSE:
            // The taskbar button's close is the main window's close.
            if (main) PostMessageW(main, WM_CLOSE, 0, 0);
            return 0;
        case WM_SETFOCUS:
            if (main) PostMessageW(window, kActivateMain, 0, 0);
            return 0;
        case kActivateMain:
            // The main window, or the dialog it shows.
            if (main && IsWindowVisible(main)) SetActiveWindow(GetLastActivePopup(main));
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace bramblet::win32ui
