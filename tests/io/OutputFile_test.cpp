#include "io/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

std::vector<std::string> Names(const TempDir& dir) {
   std::vector<std::string> names;
   for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
   std::sort(names.begin(), names.end());
   return names;
}

void WriteAndCommit(const std::string& name, const char* text) {
   OutputFile out;
   ASSERT_TRUE(out.Open(name.c_str())) << out.Reason();
   fputs(text, out.Stream());
   ASSERT_TRUE(out.Commit()) << out.Reason();
}

// Opens `name`, writes part of a new text, then ends as `ending` says.
void WritePartly(const std::string& name, void (*ending)()) {
   OutputFile out;
   if (!out.Open(name.c_str())) abort();
   fputs("partial", out.Stream());
   fflush(out.Stream());
   ending();
}

TEST(OutputFile, AppearsWholeOrLeavesTheEarlierFileAsItWas) {
   TempDir dir;
   std::string report = dir.File("out.txt");
   WriteAndCommit(report, "first\n");
   EXPECT_EQ(testsupport::ReadFile(report), "first\n");
   WriteAndCommit(report, "second\n");
   EXPECT_EQ(testsupport::ReadFile(report), "second\n");

   {
      OutputFile dropped;  // never committed: destroyed, or abandoned
      ASSERT_TRUE(dropped.Open(report.c_str()));
      fputs("lost", dropped.Stream());
   }
   OutputFile abandoned;
   ASSERT_TRUE(abandoned.Open(report.c_str()));
   abandoned.Abandon();
   EXPECT_FALSE(abandoned.Commit());

   // Ended by a signal, a fatal error or killed outright: never a partial file.
   EXPECT_EXIT(WritePartly(report, [] { raise(SIGTERM); }), ::testing::KilledBySignal(SIGTERM), "");
   EXPECT_FATAL(WritePartly(report, [] { error("stop"); }), "\nFATAL ERROR - \nstop\n\n");
   EXPECT_EQ(Names(dir), std::vector<std::string>{"out.txt"});
   EXPECT_EXIT(WritePartly(report, [] { raise(SIGKILL); }), ::testing::KilledBySignal(SIGKILL), "");
   EXPECT_EQ(testsupport::ReadFile(report), "second\n");

   OutputFile nowhere;
   EXPECT_FALSE(nowhere.Open(dir.File("missing/out.txt").c_str()));
   EXPECT_EQ(nowhere.Reason(), "No such file or directory");

   // A name too long for a temporary beside it: the temporary still waits in
   // the output's own directory, so the rename never leaves the file system.
   TempDir other;
   std::string longName = dir.File(std::string(250, 'n'));
   std::filesystem::path before = std::filesystem::current_path();
   std::filesystem::current_path(other.Path());
   OutputFile wide;
   ASSERT_TRUE(wide.Open(longName.c_str())) << wide.Reason();
   EXPECT_TRUE(Names(other).empty());
   std::filesystem::current_path(before);
   fputs("whole\n", wide.Stream());
   ASSERT_TRUE(wide.Commit()) << wide.Reason();
   EXPECT_EQ(testsupport::ReadFile(longName), "whole\n");
}

TEST(OutputFile, KeepsLinksModesAndFilesThatAreNotRegular) {
   TempDir dir;
   std::string target = dir.Write("target.txt", "old\n");
   std::string link = dir.File("link.txt");
   ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
   chmod(target.c_str(), 0640);
   WriteAndCommit(link, "new\n");
   struct stat info;
   ASSERT_EQ(lstat(link.c_str(), &info), 0);
   EXPECT_TRUE(S_ISLNK(info.st_mode));
   ASSERT_EQ(stat(target.c_str(), &info), 0);
   EXPECT_EQ(info.st_mode & 07777, 0640u);
   EXPECT_EQ(testsupport::ReadFile(target), "new\n");

   mode_t mask = umask(022);
   WriteAndCommit(dir.File("fresh.txt"), "x");
   umask(mask);
   ASSERT_EQ(stat(dir.File("fresh.txt").c_str(), &info), 0);
   EXPECT_EQ(info.st_mode & 07777, 0644u);

   WriteAndCommit("/dev/null", "discarded");  // written in place, not replaced
   ASSERT_EQ(stat("/dev/null", &info), 0);
   EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(OutputFile, AnInputIsNeverReplaced) {
   TempDir dir;
   std::string input = dir.Write("in.txt", "data\n");
   std::string hard = dir.File("hard.txt"), soft = dir.File("soft.txt");
   ASSERT_EQ(link(input.c_str(), hard.c_str()), 0);
   ASSERT_EQ(symlink(input.c_str(), soft.c_str()), 0);
   for (const std::string& output : {input, hard, soft})
      EXPECT_FATAL(RefuseToReplaceInputs(output.c_str(), {"", dir.File("other.txt"), input}),
                   "\nFATAL ERROR - \nOutput file [" + output + "] is the input file [" + input +
                       "]: an input is never replaced, nothing was written\n\n\n");
   RefuseToReplaceInputs(dir.File("new.txt").c_str(), {input, ""});
   EXPECT_FALSE(SameFile(dir.File("new.txt").c_str(), dir.File("new.txt").c_str()));
}

// A run's outputs: none takes its name unless every one was written whole.
TEST(OutputSet, OneFailedOutputLeavesNoneBehind) {
   TempDir dir;
   std::string report = dir.Write("out.info", "earlier\n");
   auto failing = [&] {
      OutputSet outputs;
      fputs("new\n", outputs.Open(report));
      FILE* full = outputs.Open("/dev/full");
      for (int i = 0; i < 10000; i++) fputs("row\n", full);
      outputs.CommitAll();
   };
   EXPECT_FATAL(failing(),
                "\nFATAL ERROR - \nCould not write the output file [/dev/full]: No "
                "space left on device\n\n\n");
   EXPECT_EQ(Names(dir), std::vector<std::string>{"out.info"});
   EXPECT_EQ(testsupport::ReadFile(report), "earlier\n");

   OutputSet outputs;
   fputs("a\n", outputs.Open(dir.File("a.txt")));
   fputs("b\n", outputs.Open(dir.File("b.txt")));
   outputs.CommitAll();
   EXPECT_EQ(testsupport::ReadFile(dir.File("a.txt")) + testsupport::ReadFile(dir.File("b.txt")),
             "a\nb\n");
}

TEST(OutputSet, ComparesWithStandardInputAndWithEveryOtherOutput) {
   TempDir dir;
   std::string input = dir.Write("in.vcf", "data\n");
   auto fromStandardInput = [&] {
      int fd = open(input.c_str(), O_RDONLY);
      dup2(fd, 0);
      OutputSet outputs;
      outputs.StandardInput();
      outputs.Input("");
      outputs.Input(dir.File("absent.tbi"));
      outputs.Open(input);
   };
   EXPECT_FATAL(fromStandardInput(), "\nFATAL ERROR - \nOutput file [" + input +
                                         "] is the input file [(standard input)]: an input is "
                                         "never replaced, nothing was written\n\n\n");
   std::string index = dir.Write("in.vcf.tbi", "index\n");
   std::string linked = dir.File("out.info");
   ASSERT_EQ(link(index.c_str(), linked.c_str()), 0);
   auto overIndex = [&] {
      OutputSet outputs;
      outputs.Input(index);
      outputs.Open(linked);
   };
   EXPECT_FATAL(overIndex(), "\nFATAL ERROR - \nOutput file [" + linked + "] is the input file [" +
                                 index +
                                 "]: an input is never replaced, nothing was written\n\n\n");
   std::string other = dir.File("out.sums");
   ASSERT_EQ(symlink(linked.c_str(), other.c_str()), 0);
   auto twice = [&] {
      OutputSet outputs;
      outputs.Open(linked);
      outputs.Open(other);
   };
   EXPECT_FATAL(twice(), "\nFATAL ERROR - \nOutput files [" + linked + "] and [" + other +
                             "] are one file: nothing was written\n\n\n");
   EXPECT_EQ(testsupport::ReadFile(index), "index\n");
}

}  // namespace
