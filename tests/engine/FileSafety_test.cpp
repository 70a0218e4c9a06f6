// SPDX-License-Identifier: GPL-3.0-or-later
// What a run guarantees about the user's files while other runs go on, when it is killed,
// and for the permissions of what it writes.
#include <gtest/gtest.h>

#include "CleaningRun.h"
#include "TestSupport.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessavo {
namespace {

using test::FakeServices;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kDirty = "110001+1\r\n";
const std::string kClean = "110001+00000001 \r\n";

Message InUse(const std::string& path) {
    return {MessageKind::Refusal,
            {"Bestand is in gebruik door een andere bewerking:", path},
            MessageIcon::Warning,
            MessageButtons::Ok,
            "Let op",
            {}};
}

TEST(FileSafety, RunsMayShareAnInputButNotAFileBeingWritten) {
    TempDir dir;
    const std::string input = dir / "in.gsi";
    WriteFile(input, kDirty);
    FakeServices outer, reader, writer;
    RunResult readResult, writeResult;
    outer.onYield = [&](int call) {
        if (call != 1) return;
        readResult = CleaningRun(input, dir / "b.gsi", true, reader);
        writeResult = CleaningRun(input, input, true, writer);
    };

    EXPECT_EQ(CleaningRun(input, dir / "a.gsi", true, outer).outcome, RunOutcome::Completed);

    EXPECT_EQ(readResult.outcome, RunOutcome::Completed);
    EXPECT_EQ(writeResult.outcome, RunOutcome::Refused);
    EXPECT_EQ(writer.messages, std::vector<Message>{InUse(input)});
    EXPECT_EQ(ReadFile(dir / "a.gsi"), kClean);
    EXPECT_EQ(ReadFile(dir / "b.gsi"), kClean);
    EXPECT_EQ(ReadFile(input), kDirty);
}

TEST(FileSafety, OutputThatAppearsDuringTheRunIsNeverReplaced) {
    TempDir dir;
    const std::string input = dir / "in.gsi", output = dir / "out.gsi";
    WriteFile(input, kDirty);
    FakeServices services;
    services.onYield = [&](int call) {
        if (call == 1) WriteFile(output, "ANDERE");
    };

    EXPECT_EQ(CleaningRun(input, output, true, services).outcome, RunOutcome::Failed);

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].lines,
              (std::vector<std::string>{"Bestand is in gebruik door een andere bewerking:", output,
                                        "Bewerking is afgebroken."}));
    EXPECT_EQ(test::TakeSnapshot(dir.path()),
              (test::Snapshot{{"in.gsi", kDirty}, {"out.gsi", "ANDERE"}}));
}

#ifndef _WIN32
mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(FileSafety, NewOutputGetsTheUsualModeAndAReplacedOneKeepsItsOwn) {
    TempDir dir;
    const std::string input = dir / "in.gsi";
    WriteFile(input, kDirty);
    WriteFile(dir / "usual", "");  // made as every new file of the user is
    FakeServices services;
    ASSERT_EQ(CleaningRun(input, dir / "new.gsi", true, services).outcome, RunOutcome::Completed);
    EXPECT_EQ(ModeOf(dir / "new.gsi"), ModeOf(dir / "usual"));

    ASSERT_EQ(chmod(input.c_str(), 0600), 0);
    ASSERT_EQ(CleaningRun(input, input, true, services).outcome, RunOutcome::Completed);
    EXPECT_EQ(ModeOf(input), 0600u);
    EXPECT_EQ(ReadFile(input), kClean);
}

// A run in another process that stops partway through an in-place cleaning, with its new
// output half written, and waits there until it is killed.
pid_t StartRunThatHangs(const std::string& path) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        FakeServices services;
        services.onYield = [&](int call) {
            if (call < 300000) return;
            const char byte = 1;
            [[maybe_unused]] const ssize_t ignored = write(ready[1], &byte, 1);
            for (;;) pause();
        };
        CleaningRun(path, path, true, services);
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    return child;
}

TEST(FileSafety, SecondProcessIsRefusedAndAKilledRunLosesNothing) {
    TempDir dir;
    const std::string path = dir / "meting.gsi", other = dir / "ander.gsi";
    std::string original;
    for (int i = 0; i < 400000; ++i) original += kDirty;
    WriteFile(path, original);
    WriteFile(other, kDirty);
    const pid_t child = StartRunThatHangs(path);

    FakeServices asReader, asOutput;
    EXPECT_EQ(CleaningRun(path, dir / "kopie.gsi", true, asReader).outcome, RunOutcome::Refused);
    EXPECT_EQ(asReader.messages, std::vector<Message>{InUse(path)});
    EXPECT_EQ(CleaningRun(other, path, true, asOutput).outcome, RunOutcome::Refused);
    EXPECT_EQ(asOutput.messages, std::vector<Message>{InUse(path)});

    ASSERT_EQ(kill(child, SIGKILL), 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);

    // Only the killed run's half-written file is left beside the original.
    test::Snapshot after = test::TakeSnapshot(dir.path());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after["meting.gsi"], original);
    EXPECT_EQ(after["ander.gsi"], kDirty);
    const std::string leftover = std::prev(after.end())->first;
    EXPECT_TRUE(leftover.starts_with("meting.gsi.") && leftover.ends_with(".tmp")) << leftover;

    FakeServices again;
    EXPECT_EQ(CleaningRun(path, path, true, again).outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFile(path + ".bak"), original);
    EXPECT_EQ(ReadFile(path).size(), original.size() / kDirty.size() * kClean.size());
}
#endif

}  // namespace
}  // namespace tessavo
