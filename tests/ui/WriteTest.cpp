// One whole write pressed on Button1, against the simulated chip over the virtual line.
#include <QThread>

#include "sim/VirtualLink.h"
#include "tests/ui/FormFixture.h"
#include "writer/link/ForwardingPort.h"

namespace bramblet::ui::testing {
namespace {

TEST_F(FormTest, Button1WritesTheFileIntoTheSimulatedChip) {
    sim::ChipConfig config;
    config.version = "VER.1.48";
    sim::VirtualLink link(config);
    ports = &link.Opener();
    const std::string file = WriteFile("prog.mot", 0xC2FF, 0x300);
    Settings("\"FileName\"=\"" + file +
             "\"\r\n\"WindowTop\"=dword:00000064\r\n"
             "\"WindowLeft\"=dword:00000064\r\n\"ModePin\"=dword:00000000\r\n"
             "\"COM\"=\"COM3\"\r\n\"CPU\"=\"R8C\"\r\n");
    TForm1& form1 = Open();
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_EQ(form1.Edit1->text().toStdString(), file);

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<bool> button1Enabled, othersEnabled;
    QObject::connect(form1.StatusBar1, &QStatusBar::messageChanged, [&](const QString& text) {
        statuses.push_back(text.toStdString());
        button1Enabled.push_back(form1.Button1->isEnabled());
        othersEnabled.push_back(form1.Button2->isEnabled() && form1.Button3->isEnabled());
    });
    QObject::connect(form1.ProgressBar1, &QProgressBar::valueChanged,
                     [&](int value) { progress.push_back(value); });

    QTest::mouseClick(form1.Button1, Qt::LeftButton);

    EXPECT_EQ(statuses,
              (std::vector<std::string>{kStartWrite, kChecking, kConnecting, kIdAllFF, kIdVerified,
                                        kErasing, kErased, kProgramming, kVerifying, kWritten}));
    // 0x300 bytes in pages 0xC000, 0xC100, 0xC200: page changes after 256 and 512 bytes.
    EXPECT_EQ(progress, (std::vector<int>{5, 10, 40, 70, 40, 70, 99}));  // 0 was already shown
    EXPECT_EQ(form1.ProgressBar1->value(), 99);
    EXPECT_EQ(form1.Label3->text(), "VER.1.48");
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{0x30});
    // Only the pressed button is disabled while the write runs, and it comes back.
    EXPECT_EQ(button1Enabled, std::vector<bool>(statuses.size(), false));
    EXPECT_EQ(othersEnabled, std::vector<bool>(statuses.size(), true));
    EXPECT_TRUE(form1.Button1->isEnabled());
    EXPECT_FALSE(link.PortOpen());
    for (std::uint32_t a = 0xC000; a < 0xC300; ++a) ASSERT_EQ(link.Target().Read(a), a & 0xFF) << a;
    // The virtual line ran the whole protocol: about a second to connect, 230 ms a page.
    EXPECT_GT(link.Now(), std::chrono::seconds(2));
}

TEST_F(FormTest, LineGoneDuringTheUnlockEndsTheWriteAsAFailedConnection) {
    // A protected chip with no ID file beside the write file: the window would ask for the code.
    sim::ChipConfig config;
    config.idCode = sim::IdCode{1, 2, 3, 4, 5, 6, 7};
    sim::VirtualLink link(config);
    ports = &link.Opener();
    Settings("\"FileName\"=\"" + WriteFile("prog.mot", 0xC0FF) +
             "\"\r\n\"WindowTop\"=dword:00000064\r\n\"WindowLeft\"=dword:00000064\r\n"
             "\"ModePin\"=dword:00000000\r\n\"COM\"=\"COM3\"\r\n\"CPU\"=\"R8C\"\r\n");
    TForm1& form1 = Open();
    // A dialog shown now would wait for a user; without one, asking ends as cancelled.
    form1.SetIdCodeDialog(nullptr);
    std::vector<std::string> statuses;
    QObject::connect(form1.StatusBar1, &QStatusBar::messageChanged, [&](const QString& text) {
        statuses.push_back(text.toStdString());
        if (statuses.back() == kIdFile) link.UnplugAt(link.Now() + std::chrono::milliseconds(1));
    });
    QTest::mouseClick(form1.Button1, Qt::LeftButton);
    EXPECT_EQ(statuses.back(), kNoAnswer);
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{0xFFFFFFFF});
    EXPECT_FALSE(link.PortOpen());
    EXPECT_TRUE(form1.Button1->isEnabled());
}

// A line whose every read waits out its window with nothing, in real time.
class SlowSilentPorts : public PortOpener {
public:
    OpenResult Open(const std::string&) override {
        class Port : public SerialPort {
        public:
            bool Setup(std::uint32_t) override { return true; }
            void Write(std::span<const std::uint8_t>) override {}
            std::size_t Read(std::span<std::uint8_t>) override {
                QThread::msleep(30);
                return 0;
            }
            void DiscardInput() override {}
            PortLoss Lost() const override { return {}; }
            std::string SetLine(ModemLine, bool) override { return "no modem lines"; }
            void Pause(std::chrono::milliseconds) override {}
        };
        OpenResult r;
        r.port = std::make_unique<Port>();
        return r;
    }
};

TEST_F(FormTest, WindowIsServedBetweenStatusChangesOfALongExchange) {
    // The connection to a silent chip reads for over half a second without a status change.
    SlowSilentPorts slow;
    ports = &slow;
    Settings("\"FileName\"=\"" + WriteFile("prog.mot", 0xC0FF) +
             "\"\r\n\"WindowTop\"=dword:00000064\r\n\"WindowLeft\"=dword:00000064\r\n"
             "\"ModePin\"=dword:00000000\r\n\"COM\"=\"COM3\"\r\n\"CPU\"=\"R8C\"\r\n");
    TForm1& form1 = Open();
    bool served = false;
    bool servedBeforeTheAnswer = false;
    QObject::connect(form1.StatusBar1, &QStatusBar::messageChanged, [&](const QString& text) {
        if (text == Q(kConnecting)) QTimer::singleShot(100, [&] { served = true; });
        if (text == Q(kNoAnswer)) servedBeforeTheAnswer = served;
    });
    QTest::mouseClick(form1.Button1, Qt::LeftButton);
    EXPECT_EQ(Status(), Q(kNoAnswer));
    EXPECT_TRUE(servedBeforeTheAnswer);
}

// The virtual line, with every Page Program header taking long enough in real time that the window
// would be served right after it if writes served it.
class SlowHeaderLine : public PortOpener {
public:
    explicit SlowHeaderLine(PortOpener& line) : line_(line) {}
    std::vector<std::string> events;

    OpenResult Open(const std::string& name) override {
        OpenResult result = line_.Open(name);
        if (result.port) result.port = std::make_unique<Port>(std::move(result.port), *this);
        return result;
    }

private:
    class Port : public ForwardingPort {
    public:
        Port(std::unique_ptr<SerialPort> port, SlowHeaderLine& owner)
            : ForwardingPort(std::move(port)), owner_(owner) {}
        void Write(std::span<const std::uint8_t> bytes) override {
            const bool header = bytes.size() == 3 && bytes[0] == 0x41;
            if (header) QThread::msleep(60);
            owner_.events.push_back(header ? "header" : bytes.size() == 256 ? "data" : "write");
            ForwardingPort::Write(bytes);
        }

    private:
        SlowHeaderLine& owner_;
    };
    PortOpener& line_;
};

TEST_F(FormTest, NothingRunsBetweenAPageProgramHeaderAndItsData) {
    sim::VirtualLink link;
    SlowHeaderLine slow(link.Opener());
    ports = &slow;
    Settings("\"FileName\"=\"" + WriteFile("prog.mot", 0xC1FF, 0x200) +
             "\"\r\n\"WindowTop\"=dword:00000064\r\n\"WindowLeft\"=dword:00000064\r\n"
             "\"ModePin\"=dword:00000000\r\n\"COM\"=\"COM3\"\r\n\"CPU\"=\"R8C\"\r\n");
    TForm1& form1 = Open();
    // Any event the window handles during the write shows up between the writes.
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, [&] { slow.events.push_back("served"); });
    pump.start(0);
    QTest::mouseClick(form1.Button1, Qt::LeftButton);
    pump.stop();

    ASSERT_EQ(beeps, std::vector<std::uint32_t>{0x30});
    int headers = 0;
    for (std::size_t i = 0; i < slow.events.size(); ++i) {
        if (slow.events[i] != "header") continue;
        ++headers;
        ASSERT_LT(i + 1, slow.events.size());
        EXPECT_EQ(slow.events[i + 1], "data") << "event " << i;
    }
    EXPECT_EQ(headers, 2);
    // The window was served during the write, between commands.
    EXPECT_NE(std::find(slow.events.begin(), slow.events.end(), "served"), slow.events.end());
}

}  // namespace
}  // namespace bramblet::ui::testing
