#pragma once
// One image in each format, and what a file reads as, for the format tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/Elf.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/SRecords.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet::testing {

inline const FileReading kByContent{true, std::nullopt};

struct DataRun {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

inline std::string AsSRecords(const std::vector<DataRun>& runs) {
    std::string text = "S00600004844521B\n";
    for (const DataRun& run : runs) {
        for (std::size_t i = 0; i < run.bytes.size(); i += 16) {
            const std::size_t n = std::min<std::size_t>(16, run.bytes.size() - i);
            text += SRecord('2', run.address + static_cast<std::uint32_t>(i),
                            {run.bytes.begin() + i, run.bytes.begin() + i + n});
        }
    }
    return text + "S804000000FB\n";
}

// Type 04 bases, or type 02 segment bases, wherever the upper address bits change.
inline std::string AsIntelHex(const std::vector<DataRun>& runs, const char* end = "\n",
                              bool segments = false) {
    std::string text;
    std::optional<std::uint32_t> upper;
    for (const DataRun& run : runs) {
        for (std::size_t i = 0; i < run.bytes.size();) {
            const std::uint32_t at = run.address + static_cast<std::uint32_t>(i);
            if (upper != at >> 16) {
                upper = at >> 16;
                const std::uint32_t base = segments ? *upper << 12 : *upper;
                text += HexRecord(
                    segments ? 2 : 4, 0,
                    {static_cast<std::uint8_t>(base >> 8), static_cast<std::uint8_t>(base)}, end);
            }
            const std::size_t n =
                std::min<std::size_t>({20, run.bytes.size() - i, 0x10000 - (at & 0xFFFF)});
            text += HexRecord(0, static_cast<std::uint16_t>(at),
                              {run.bytes.begin() + i, run.bytes.begin() + i + n}, end);
            i += n;
        }
    }
    text += HexRecord(5, 0, {0, 0x0F, 0, 0}, end);  // a start address, no data
    return text + HexRecord(1, 0, {}, end);
}

// One PT_LOAD segment a run, with a segment of no file data and a note segment among them.
inline std::string AsElf(const std::vector<DataRun>& runs) {
    std::vector<ElfSegment> segments;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        // The physical address places the data; the virtual one, where it runs, is elsewhere.
        segments.push_back({1, runs[i].address, 0x400 + runs[i].address, runs[i].bytes,
                            static_cast<std::uint32_t>(runs[i].bytes.size() + 0x40)});
        if (i == 0) segments.push_back({1, 0x500, 0x500, {}, 0x300});
        if (i == 1) segments.push_back({4, 0x600, 0x600, {1, 2, 3, 4}, 4});
    }
    return Elf32(segments);
}

// Up to six runs of random bytes from `first` on within `span` bytes, and one across a 64 KB
// boundary.
inline std::vector<DataRun> RandomRuns(std::mt19937& random, std::uint32_t first = 0,
                                       std::uint32_t span = 0xFFF000) {
    std::vector<DataRun> runs;
    const int count = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < count; ++i) {
        DataRun run{static_cast<std::uint32_t>(first + random() % span), {}};
        run.bytes.resize(1 + random() % 700);
        for (auto& b : run.bytes) b = static_cast<std::uint8_t>(random());
        runs.push_back(run);
    }
    // One run that crosses a 64 KB boundary.
    runs.push_back({0x0FFFF0 - static_cast<std::uint32_t>(random() % 64), Bytes(0, 90, 7)});
    return runs;
}

struct Reading {
    StreamOpen open = StreamOpen::Unreadable;
    std::optional<FileFormat> format;
    StreamResult check;
    StreamResult program;
    std::vector<Flush> pages;
    std::optional<ImageScan> scan;
};

inline Reading Read(const std::string& name, const FileReading& how = kByContent) {
    Reading r;
    SRecordStream stream;
    r.open = stream.Open(name, how);
    r.format = stream.Format();
    if (r.open != StreamOpen::Opened) {
        r.check.problem = stream.Problem();
        return r;
    }
    RecordingSink none;
    r.check = stream.Pass(none, kCheckMode, 0, [](int) {});
    SRecordStream again;
    again.Open(name, how);
    RecordingSink sink;
    r.program = again.Pass(sink, kProgramMode, r.check.count, [](int) {});
    r.pages = sink.flushes;
    r.scan = ScanImage(name, {}, how);
    return r;
}

inline void ExpectSame(const Reading& a, const Reading& b) {
    EXPECT_EQ(b.open, StreamOpen::Opened);
    EXPECT_EQ(b.check.count, a.check.count) << b.check.problem;
    EXPECT_EQ(b.check.minAddress, a.check.minAddress);
    EXPECT_EQ(b.check.maxAddress, a.check.maxAddress);
    EXPECT_EQ(b.program.count, a.program.count);
    EXPECT_TRUE(b.pages == a.pages);
    ASSERT_TRUE(a.scan && b.scan);
    EXPECT_EQ(b.scan->digest.crc32, a.scan->digest.crc32);
    EXPECT_EQ(b.scan->digest.size, a.scan->digest.size);
}

// What a file written from `runs` reads back as, by content, with `base` for a binary.
inline std::map<std::uint32_t, std::uint8_t> ReadBack(const std::string& name,
                                                      std::optional<std::uint32_t> base) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    SRecordStream stream;
    EXPECT_EQ(stream.Open(name, {true, base}), StreamOpen::Opened) << stream.Problem();
    RecordingSink sink;
    EXPECT_GT(stream.Pass(sink, kVerifyMode, 1, [](int) {}).count, 0);
    for (const Flush& f : sink.flushes) {
        for (std::size_t i = 0; i < kPageSize; ++i) {
            if (f.present[i]) bytes[f.base + static_cast<std::uint32_t>(i)] = f.image[i];
        }
    }
    return bytes;
}

}  // namespace bramblet::testing
