// Helpers shared by the unit tests: temporary files that clean up after
// themselves, gzip writers, and capture of standard output.
#ifndef LOCI_TESTS_SUPPORT_TESTSUPPORT_H
#define LOCI_TESTS_SUPPORT_TESTSUPPORT_H

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

// A fresh directory under TMPDIR, removed with everything in it on destruction.
class TempDir {
public:
   TempDir();
   ~TempDir();
   TempDir(const TempDir&) = delete;
   TempDir& operator=(const TempDir&) = delete;

   const std::string& Path() const { return path; }
   // Full path of `name` inside the directory.
   std::string File(const std::string& name) const { return path + "/" + name; }
   // Writes `bytes` to `name` and returns its full path.
   std::string Write(const std::string& name, const std::string& bytes) const;
   // Writes `bytes` gzip-compressed and returns the full path.
   std::string WriteGzip(const std::string& name, const std::string& bytes) const;

private:
   std::string path;
};

std::string ReadFile(const std::string& path);
std::string Gzip(const std::string& bytes, int level = 6);

// Captures what the process writes to standard output (file descriptor 1,
// through stdio included) between construction and Finish().
class StdoutCapture {
public:
   StdoutCapture();
   ~StdoutCapture();
   std::string Finish();

private:
   int savedFd;
   std::string file;
   bool finished;
};

}  // namespace testsupport

// A fatal path: the statement must end the process with status 1 and print
// exactly `expected` on standard output (the reporters write there).
#define EXPECT_FATAL(statement, expected)                                                          \
   EXPECT_EXIT(                                                                                    \
       {                                                                                           \
          testsupport::StdoutCapture capture__;                                                    \
          ::testsupport::internal::ExitWithOutputCheck(capture__, (expected), [&] { statement; }); \
       },                                                                                          \
       ::testing::ExitedWithCode(1), "")

namespace testsupport {
namespace internal {
// Runs `body`; the process is expected to exit inside it. An exit handler
// compares the captured output with `expected` and turns a mismatch into exit
// status 3, so the death test fails with the difference on standard error.
void ExitWithOutputCheck(StdoutCapture& capture, const std::string& expected,
                         const std::function<void()>& body);
}  // namespace internal
}  // namespace testsupport

#endif
