// Port devices as Windows describes them: their IDs read into descriptions, and a device
// registered in the Ports class (in Wine's registry, in CI) found by its COM name.
#include <windows.h>
// setupapi.h after windows.h, which it needs.
#include <setupapi.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "writer/platform/PortList.h"
#include "writer/platform/win32/PortDevices.h"

namespace bramblet {
namespace {

TEST(PortDevices, IdsReadIntoDescriptions) {
    // FTDI's own bus driver: VID, PID and serial number joined by '+', the channel letter after.
    PortDescription ftdi = DescribeDevice({"FTDIBUS\\VID_0403+PID_6001+A10K3Q2BA\\0000",
                                           "FTDIBUS\\COMPORT&VID_0403&PID_6001", "FTDI",
                                           "USB Serial Port (COM5)", "Port_#0002.Hub_#0001"});
    EXPECT_EQ(ftdi.kind, PortKind::Usb);
    EXPECT_EQ(ftdi.vid, 0x0403);
    EXPECT_EQ(ftdi.pid, 0x6001);
    EXPECT_EQ(ftdi.serial, "A10K3Q2B");
    EXPECT_EQ(ftdi.maker, "FTDI");
    EXPECT_EQ(ftdi.product, "USB Serial Port");
    EXPECT_EQ(ftdi.location, "Port_#0002.Hub_#0001");
    EXPECT_EQ(ftdi.usbInterface, std::nullopt);

    // A serial number in the USB instance ID, in the case the device gave it.
    PortDescription cp210x =
        DescribeDevice({"USB\\VID_10C4&PID_EA60\\0001a2B", "USB\\VID_10C4&PID_EA60&REV_0100",
                        "Silicon Labs", "Silicon Labs CP210x USB to UART Bridge (COM7)", ""});
    EXPECT_EQ(cp210x.vid, 0x10C4);
    EXPECT_EQ(cp210x.pid, 0xEA60);
    EXPECT_EQ(cp210x.serial, "0001a2B");
    EXPECT_EQ(cp210x.product, "Silicon Labs CP210x USB to UART Bridge");

    // No serial number: the name Windows made up for the device is none.
    PortDescription ch340 =
        DescribeDevice({"USB\\VID_1A86&PID_7523\\5&2F1C3B7&0&2", "USB\\VID_1A86&PID_7523&REV_0264",
                        "wch.cn", "USB-SERIAL CH340 (COM3)", ""});
    EXPECT_EQ(ch340.kind, PortKind::Usb);
    EXPECT_EQ(ch340.vid, 0x1A86);
    EXPECT_EQ(ch340.serial, "");

    // One interface of a composite device.
    PortDescription acm = DescribeDevice({"USB\\VID_2341&PID_8036&MI_00\\6&1D3C2A&0&0000",
                                          "USB\\VID_2341&PID_8036&REV_0100&MI_00", "", "", ""});
    EXPECT_EQ(acm.usbInterface, 0);
    EXPECT_EQ(acm.serial, "");

    PortDescription uart =
        DescribeDevice({"ACPI\\PNP0501\\1", "ACPI\\PNP0501", "(Standard port types)",
                        "Communications Port (COM1)", ""});
    EXPECT_EQ(uart.kind, PortKind::Uart);
    EXPECT_EQ(uart.vid, 0);
    EXPECT_EQ(uart.product, "Communications Port");
}

// The Ports (COM & LPT) device class.
constexpr GUID kPortsClass{
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

class RegisteredPort : public ::testing::Test {
protected:
    void SetUp() override {
        set_ = SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
        ASSERT_NE(set_, INVALID_HANDLE_VALUE);
        device_.cbSize = sizeof device_;
        ASSERT_TRUE(SetupDiCreateDeviceInfoW(set_, L"USB\\VID_0403&PID_6015\\DN05TQ7X",
                                             &kPortsClass, nullptr, nullptr, 0, &device_))
            << GetLastError();
        ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr))
            << GetLastError();
        registered_ = true;
        Property(SPDRP_HARDWAREID, L"USB\\VID_0403&PID_6015&REV_1000\0\0");
        Property(SPDRP_MFG, L"FTDI");
        Property(SPDRP_FRIENDLYNAME, L"USB Serial Port (COM42)");
        Property(SPDRP_LOCATION_INFORMATION, L"Port_#0003.Hub_#0002");
        HKEY parameters = SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                                  nullptr, nullptr);
        ASSERT_NE(parameters, INVALID_HANDLE_VALUE);
        const wchar_t name[] = L"COM42";
        RegSetValueExW(parameters, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                       sizeof name);
        const DWORD latency = 16;
        RegSetValueExW(parameters, L"LatencyTimer", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&latency), sizeof latency);
        RegCloseKey(parameters);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                                  nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &map_, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(map_, L"\\Device\\BrambletTest42", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(name), sizeof name);
    }
    void TearDown() override {
        if (map_) {
            RegDeleteValueW(map_, L"\\Device\\BrambletTest42");
            RegCloseKey(map_);
        }
        if (registered_) SetupDiRemoveDevice(set_, &device_);
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    }
    void Property(DWORD property, const std::wstring& value) {
        EXPECT_TRUE(SetupDiSetDeviceRegistryPropertyW(
            set_, &device_, property, reinterpret_cast<const BYTE*>(value.c_str()),
            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))))
            << property << ": " << GetLastError();
    }

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_{};
    bool registered_ = false;
    HKEY map_ = nullptr;
};

TEST_F(RegisteredPort, FoundByItsComName) {
    EXPECT_EQ(PortLatencyTimer("COM42"), 16);
    EXPECT_EQ(PortLatencyTimer("COM43"), std::nullopt);
    const std::optional<std::vector<PortDescription>> ports = SystemPortDescriptions();
    ASSERT_TRUE(ports);
    const auto port = std::find_if(ports->begin(), ports->end(),
                                   [](const PortDescription& p) { return p.name == "COM42"; });
    ASSERT_NE(port, ports->end());
    EXPECT_EQ(port->kind, PortKind::Usb);
    EXPECT_EQ(port->vid, 0x0403);
    EXPECT_EQ(port->pid, 0x6015);
    EXPECT_EQ(port->serial, "DN05TQ7X");
    EXPECT_EQ(port->maker, "FTDI");
    EXPECT_EQ(port->product, "USB Serial Port");
    EXPECT_EQ(port->location, "Port_#0003.Hub_#0002");
    EXPECT_EQ(port->latencyMs, 16);
    EXPECT_TRUE(port->mayOpen);
    EXPECT_EQ(MatchPort("usb:0403:6015:DN05TQ7X", *ports).ports.at(0)->name, "COM42");
}

}  // namespace
}  // namespace bramblet
