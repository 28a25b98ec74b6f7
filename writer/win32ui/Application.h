#pragma once
// The application's own window: never seen itself, it carries the program's title "Bramblet2"
// and is the taskbar's button for the program. The main window is owned by it, so it has no
// button of its own; minimising the main window minimises the program, and the button's close
// asks the main window to close.
#include <windows.h>

namespace bramblet::win32ui {

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    HWND Handle() const { return window_; }
    void SetMainWindow(HWND window) { main_ = window; }
    HWND MainWindow() const { return main_; }

    // Runs the program's message loop until the main window has gone.
    void Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND main_ = nullptr;
};

}  // namespace bramblet::win32ui
