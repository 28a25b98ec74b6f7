#pragma once
// bramblet-cli run against simulated chips, each on a pseudo-terminal published under a name in
// the test's own folder and saving its flash beside it when it ends.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/SRecordFile.h"
#include "tests/support/Processes.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {

class SimChipsTest : public ::testing::Test {
protected:
    // bramblet-cli's command line with `args`.
    static std::vector<std::string> Args(std::vector<std::string> args) {
        args.insert(args.begin(), BRAMBLET_CLI);
        return args;
    }
    RunResult Cli(std::vector<std::string> args) { return RunProgram(Args(std::move(args))); }
    // A simulator published as `name` in the test's folder, saving its flash to `name`.mot; with
    // `errorFile`, its standard error (the --verbose log) goes there.
    std::unique_ptr<SimProcess> Sim(const std::string& name, std::vector<std::string> args = {},
                                    const std::string& errorFile = "") {
        args.insert(args.end(),
                    {"--link", dir.Name(name), "--no-publish", "--save", dir.Name(name + ".mot")});
        return std::make_unique<SimProcess>(BRAMBLET_SIM, args, errorFile);
    }
    // The flash the simulator `name` saved when it ended, read as a chip of `family`.
    sim::Chip Saved(const std::string& name, sim::Family family = sim::Family::R8C) {
        sim::Chip chip({.family = family});
        std::string error;
        EXPECT_TRUE(sim::LoadSRecordFile(dir.Name(name + ".mot"), chip, error)) << error;
        return chip;
    }

    // The bytes of the file `name` in the test's folder.
    std::string Contents(const std::string& name) const {
        std::ifstream in(TempDir::Utf8(dir.Name(name)), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempDir dir;
};

}  // namespace bramblet::testing
