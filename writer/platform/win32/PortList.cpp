#include "writer/platform/PortList.h"

#include "writer/platform/win32/RegistrySettings.h"

namespace bramblet {

// The serial device map: one value per port the drivers have announced, its data the name.
std::optional<std::vector<std::string>> SystemPortNames() {
    return RegistryStringValues(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
}

}  // namespace bramblet
