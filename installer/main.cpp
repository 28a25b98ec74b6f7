// Kelpin: finds the installed tools, reports them and copies the patch folders of the current
// directory into them.
#include <cstdlib>

#include "installer/Kelpin.h"
#include "installer/platform/System.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const text::Lang lang =
        text::ChooseLang(kelpin::AskedLanguage(args), std::getenv(text::kLangVariable));
    const std::unique_ptr<kelpin::Platform> platform = kelpin::SystemPlatform();
    return kelpin::RunKelpin(*platform, lang);
}
