// The settings file on disk and the serial port list of Linux.
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "writer/platform/RegFile.h"
#include "writer/platform/posix/PortList.h"
#include "writer/platform/posix/SimulatedPorts.h"
#include "writer/platform/posix/SettingsFile.h"
#include "tests/support/TempDir.h"

namespace bramblet {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvGuard() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsFile, PathFollowsXdgConfigHome) {
    EnvGuard config("XDG_CONFIG_HOME"), home("HOME");
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsFilePath(), "/cfg/ORVANE/Bramblet.reg");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // only an absolute path counts
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/ORVANE/Bramblet.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/ORVANE/Bramblet.reg");
}

TEST(SettingsFile, CreatedWholeInItsFolderAndReplacedByRename) {
    TempDir dir;
    const fs::path path = dir.Path() / "ORVANE" / "Bramblet.reg";
    const auto store = FileSettingsStore(path.string());
    EXPECT_EQ(store->OpenExisting(), nullptr);

    auto key = store->Create();
    WriteString(*key, "FileName", "/tmp/データ.mot");
    key->Close();
    ASSERT_TRUE(fs::exists(path));
    const std::string first = Slurp(path);
    EXPECT_EQ(first, FormatRegFile(kSettingsKeyPath, [] {
                  RegValues v;
                  v.Set("FileName", {RegType::Sz, StringData("/tmp/データ.mot")});
                  return v;
              }()));

    // The old file stays whole under its old inode until the new one has been renamed over it.
    const int reader = ::open(path.c_str(), O_RDONLY);
    key = store->Create();
    WriteDword(*key, "ModePin", 1);
    key->Close();
    char buffer[4096];
    const ssize_t n = ::pread(reader, buffer, sizeof buffer, 0);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), first);
    EXPECT_EQ(ReadDword(*store->OpenExisting(), "ModePin"), 1);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), {}), 1);
}

TEST(SettingsFile, FailuresAreErrorsNotCrashes) {
    TempDir dir;
    // A folder where the file should be cannot be read as one.
    fs::create_directories(dir.Path() / "Bramblet.reg");
    EXPECT_THROW(FileSettingsStore((dir.Path() / "Bramblet.reg").string())->OpenExisting(),
                 SettingsError);
    // A file where its folder should be: the key cannot be written, and nothing is left behind.
    std::ofstream(dir.Path() / "ORVANE") << "x";
    const auto store = FileSettingsStore((dir.Path() / "ORVANE" / "Bramblet.reg").string());
    EXPECT_THROW(
        {
            auto key = store->Create();
            WriteDword(*key, "ModePin", 1);
            key->Close();
        },
        SettingsError);
    EXPECT_EQ(Slurp(dir.Path() / "ORVANE"), "x");
}

TEST(PortList, KernelDevicesWithHardwareOnly) {
    TempDir sys;
    auto tty = [&](const std::string& name, bool device, const char* type) {
        fs::create_directories(sys.Path() / name);
        if (device) fs::create_directory_symlink(sys.Path(), sys.Path() / name / "device");
        if (type) std::ofstream(sys.Path() / name / "type") << type << "\n";
    };
    tty("tty0", false, nullptr);    // a console
    tty("ttyS0", true, "4");        // a 16550A
    tty("ttyS1", true, "0");        // a legacy port with no UART behind it
    tty("ttyUSB0", true, nullptr);  // USB serial
    tty("ttyACM0", true, nullptr);  // a modem-class device
    std::vector<std::string> ports = KernelSerialPorts(sys.Path());
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyUSB0"}));
    EXPECT_TRUE(KernelSerialPorts(sys.Path() / "none").empty());
}

TEST(PortList, SimulatedChipsByTheirLinks) {
    TempDir folder;
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fs::create_symlink(name, folder.Path() / "COM9");
    fs::create_symlink("/dev/pts/999999", folder.Path() / "stale");
    std::ofstream(folder.Path() / "notes.txt") << "x";
    EXPECT_EQ(SimulatedPorts(folder.Path()),
              std::vector<std::string>{(folder.Path() / "COM9").string()});
    ::close(slave);
    ::close(master);
}

TEST(PortList, SimulatorFolderFollowsTheRuntimeDir) {
    EnvGuard runtime("XDG_RUNTIME_DIR");
    setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(SimulatedPortFolder(), "/run/user/7/bramblet-sim");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SimulatedPortFolder(), "/tmp/bramblet-sim-" + std::to_string(getuid()));
}

}  // namespace
}  // namespace bramblet
