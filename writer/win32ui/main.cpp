// Bramblet: the writer's window, native on Windows.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <clocale>
#include <exception>

#include "writer/platform/PortList.h"
#include "writer/platform/System.h"
#include "writer/win32ui/Application.h"
#include "writer/win32ui/Controls.h"
#include "writer/win32ui/Unit1.h"
#include "writer/win32ui/Unit2.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Port names are ordered in the user's locale.
    std::setlocale(LC_COLLATE, "");
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        bramblet::win32ui::Application application;
        const auto ports = bramblet::SystemPortOpener();
        const auto settings = bramblet::SystemSettingsStore();
        bramblet::win32ui::Form1Services services;
        services.form.ports = ports.get();
        services.form.settings = settings.get();
        services.form.portNames = bramblet::SystemPortNames;
        services.form.beep = [](std::uint32_t type) { bramblet::SystemBeep(type); };
        std::vector<std::string> arguments = bramblet::Utf8Arguments(0, nullptr);
        if (!arguments.empty()) arguments.erase(arguments.begin());
        bramblet::win32ui::TForm1 form1(application, services, arguments);
        bramblet::win32ui::TForm2 form2(form1.Handle());
        form1.SetIdCodeDialog(&form2);
        form1.Show();
        application.Run();
    } catch (const std::exception& e) {
        bramblet::win32ui::ShowErrorBox(nullptr, e.what());
    }
    return 0;
}
