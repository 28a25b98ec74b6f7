// The S-record page stream in its three modes against the character-at-a-time model: result,
// address range, every page handed on and every progress step, with progress never going back.
// The first byte of an input steers the run: which page the sink refuses, and whether the text
// starts just before the reader's 64 KB block boundary so that records straddle it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/ScratchFile.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/StreamModel.h"
#include "writer/flash/SRecordStream.h"

namespace {

using namespace bramblet;

constexpr std::size_t kReaderBlock = 64 * 1024;

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file(".mot");
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int failAt = (control & 3) - 1;  // -1: every page is taken
    // Line feeds are skipped like any character outside a record, so the model reads the
    // text alone.
    const std::size_t padding = control & 4 ? kReaderBlock - (control >> 3) : 0;
    file.Write(std::string(padding, '\n'), text);

    const testing::Outcome check = testing::Model(text, kCheckMode, 0, -1).Run();
    for (const StreamMode mode : {kCheckMode, kProgramMode, kVerifyMode}) {
        // The writer programs and verifies only a file whose check found data.
        if (mode != kCheckMode && check.result < 1) break;
        const std::int32_t expected = mode == kCheckMode ? 0 : check.result;
        const testing::Outcome model =
            testing::Model(text, mode, expected, mode == kCheckMode ? -1 : failAt).Run();
        testing::RecordingSink sink;
        sink.failAt = mode == kCheckMode ? -1 : failAt;
        std::vector<int> progress;
        SRecordStream stream;
        Check(stream.Open(file.Path()) == StreamOpen::Opened);
        const StreamResult result =
            stream.Pass(sink, mode, expected, [&](int position) { progress.push_back(position); });
        Check(result.count == model.result);
        Check(result.minAddress == model.min && result.maxAddress == model.max);
        Check(sink.flushes == model.flushes);
        Check(progress == model.progress);
        for (std::size_t i = 0; i < progress.size(); ++i) {
            Check(progress[i] >= 10 && progress[i] <= 100);
            Check(i == 0 || progress[i] >= progress[i - 1]);
        }
    }
    return 0;
}
