// The block reader takes shortcuts (whole words of hex, scans for the next record); here it must
// agree, page for page, with a plain character-at-a-time reading of the same text on files that
// span many blocks and carry carriage returns, 0x1A, lower case, stray text and damage anywhere.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/RecordingSink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/StreamModel.h"
#include "tests/support/TempDir.h"
#include "writer/core/WriteFile.h"

namespace bramblet {
namespace {

using testing::Model;
using testing::Outcome;
using testing::RecordingSink;

// A few hundred kilobytes of records, mostly sound, with the kinds of noise real files and
// damaged files have. Each file gets at most one fatal fault so that most of it is read.
std::string RandomFile(std::mt19937& random) {
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    std::string text = "S00600004844521B\r\n";
    std::uint32_t address = random() % 0x20000;
    const bool crlf = pick(2);
    const bool lower = pick(4) == 0;
    while (text.size() < 200000 + static_cast<std::size_t>(pick(200000))) {
        const int kind = pick(20);
        std::string record;
        if (kind == 0) {
            record = testing::SRecord('3', random(), testing::Bytes(random(), pick(40)));
        } else if (kind == 1) {
            record = "garbage: s1 no record here\n";
        } else {
            if (kind == 2) address = random() % 0x1000000;  // jump, maybe back into a page
            const char type = address > 0xFFFF || pick(2) ? '2' : '1';
            std::vector<std::uint8_t> data = testing::Bytes(address, pick(64), pick(256));
            record = testing::SRecord(type, address, data);
            address += static_cast<std::uint32_t>(data.size());
        }
        if (lower) {
            for (std::size_t i = 1; i < record.size(); ++i) {
                record[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(record[i])));
            }
        }
        if (pick(50) == 0) record.insert(1 + pick(static_cast<int>(record.size())), 1, '\r');
        if (crlf) record.insert(record.size() - 1, 1, '\r');
        text += record;
    }
    const std::size_t at = random() % text.size();
    // Damage to a checksum or the structure, a cut anywhere, an early end inside a record or
    // between records, or none.
    switch (pick(7)) {
        case 0:
            text[at] = text[at] == '0' ? '1' : '0';
            break;
        case 1:
            text.resize(at);
            break;
        case 2:
            text.insert(at, 1, '\x1A');
            break;
        case 3:
            text.insert(text.find('\n', at) + 1, 1, '\x1A');
            break;
        default:
            break;
    }
    return text;
}

TEST(StreamModelTest, AgreesWithACharacterAtATimeReading) {
    testing::TempDir dir;
    std::mt19937 random(20240601);
    for (int file = 0; file < 24; ++file) {
        const std::string text = RandomFile(random);
        testing::RecordingView view;
        const std::string name = dir.Write("random.mot", text);
        const Outcome check = Model(text, kCheckMode, 0, -1).Run();
        for (std::uint8_t mode : {kCheckMode, kProgramMode, kVerifyMode}) {
            const std::int32_t expected = mode == kCheckMode ? 0 : std::max(check.result, 1);
            const int failAt = mode != kCheckMode && file % 3 == 0 ? file : -1;
            const Outcome model = Model(text, mode, expected, failAt).Run();
            RecordingSink sink;
            sink.failAt = failAt;
            view.progress.clear();
            const StreamResult pass = StreamSFormatFile(view, sink, name, mode, expected);
            const std::int32_t result = pass.count;
            const std::uint32_t min = pass.minAddress, max = pass.maxAddress;
            SCOPED_TRACE("file " + std::to_string(file) + " mode " + std::to_string(mode));
            EXPECT_EQ(result, model.result);
            EXPECT_EQ(min, model.min);
            EXPECT_EQ(max, model.max);
            EXPECT_EQ(sink.flushes.size(), model.flushes.size());
            EXPECT_TRUE(sink.flushes == model.flushes);
            EXPECT_EQ(view.progress, model.progress);
        }
    }
}

}  // namespace
}  // namespace bramblet
