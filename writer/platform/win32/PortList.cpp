#include "writer/platform/PortList.h"

#include <windows.h>
// setupapi.h after windows.h, which it needs.
#include <setupapi.h>

#include <map>

#include "text/Wide.h"
#include "writer/common/Text.h"
#include "writer/platform/win32/PortDevices.h"
#include "writer/platform/win32/RegistrySettings.h"

namespace bramblet {
namespace {

// The Ports (COM & LPT) device class.
constexpr GUID kPortsClass{
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// One device property as text; a list property (hardware IDs) as its first entry.
std::wstring Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[1024] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - 2 * sizeof(wchar_t), nullptr)) {
        return {};
    }
    return buffer;
}

// The device's own settings ("Device Parameters"): the port's name, and an FTDI adapter's
// latency timer.
struct DeviceParameters {
    std::wstring portName;
    std::optional<int> latencyMs;
};

DeviceParameters Parameters(HDEVINFO set, SP_DEVINFO_DATA& device) {
    DeviceParameters parameters;
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return parameters;
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
        parameters.portName = name;
    }
    DWORD latency = 0;
    size = sizeof latency;
    if (RegQueryValueExW(key, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&latency),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && latency <= 255) {
        parameters.latencyMs = static_cast<int>(latency);
    }
    RegCloseKey(key);
    return parameters;
}

// Every present port device that has a COM name, by that name.
std::map<std::string, PortDescription> PortDevices() {
    std::map<std::string, PortDescription> ports;
    HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const DeviceParameters parameters = Parameters(set, device);
        const std::string name = text::Narrow(parameters.portName);
        if (!name.starts_with("COM")) continue;  // printer ports share the class
        wchar_t instance[512] = {};
        SetupDiGetDeviceInstanceIdW(set, &device, instance, 511, nullptr);
        DeviceFacts facts;
        facts.instanceId = text::Narrow(instance);
        facts.hardwareId = text::Narrow(Property(set, device, SPDRP_HARDWAREID));
        facts.maker = text::Narrow(Property(set, device, SPDRP_MFG));
        facts.friendlyName = text::Narrow(Property(set, device, SPDRP_FRIENDLYNAME));
        facts.location = text::Narrow(Property(set, device, SPDRP_LOCATION_PATHS));
        if (facts.location.empty())
            facts.location = text::Narrow(Property(set, device, SPDRP_LOCATION_INFORMATION));
        PortDescription port = DescribeDevice(facts);
        port.name = name;
        port.latencyMs = parameters.latencyMs;
        ports[name] = std::move(port);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ports;
}

}  // namespace

std::optional<std::vector<std::string>> SystemPortNames() {
    // The serial device map: one value per port the drivers have announced, its data the name.
    return RegistryStringValues(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
}

std::optional<std::vector<PortDescription>> SystemPortDescriptions() {
    std::optional<std::vector<std::string>> names;
    try {
        names = SystemPortNames();
    } catch (const PlatformError&) {
        return std::nullopt;
    }
    if (!names) return std::nullopt;
    std::map<std::string, PortDescription> devices = PortDevices();
    std::vector<PortDescription> ports;
    // The device map is the list every program shows; the device's settings add what it is.
    for (const std::string& name : *names) {
        auto device = devices.find(name);
        PortDescription port;
        if (device != devices.end()) port = device->second;
        port.name = name;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::optional<int> PortLatencyTimer(const std::string& name) {
    const std::map<std::string, PortDescription> devices = PortDevices();
    const auto device = devices.find(name);
    return device == devices.end() ? std::nullopt : device->second.latencyMs;
}

std::string LatencyRemedy(const std::string& name, text::Lang lang) {
    return text::Say(text::Tx::CliRemedyDeviceManager, lang, {name});
}

std::optional<DeviceOwner> PortOwner(const std::string&) {
    // A COM port has no owner to ask; Windows answers "access denied" for a port in use.
    return std::nullopt;
}

}  // namespace bramblet
