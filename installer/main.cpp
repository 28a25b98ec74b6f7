// Kelpin: finds the installed tools, reports them and copies the patch folders of the current
// directory into them.
#include "installer/Kelpin.h"
#include "installer/platform/System.h"

int main() {
    const std::unique_ptr<kelpin::Platform> platform = kelpin::SystemPlatform();
    return kelpin::RunKelpin(*platform);
}
